#include "view/PlotLayout.h"

#include "model/NCADProject.h"

#include <algorithm>
#include <cmath>

namespace {

// A job exactly as large as the point area fits, whatever the last bit of rounding says.
constexpr double kFitSlack = 1e-9; // mm

// Short and long side of the paper, mm.
struct Sides {
    double shortSide;
    double longSide;
};
Sides sidesOf(PaperSize paper) {
    return paper == PaperSize::A3 ? Sides{297, 420} : Sides{210, 297};
}

} // namespace

const char* PaperName(PaperSize paper) {
    return paper == PaperSize::A3 ? "A3" : "A4";
}

double PlotSheet::Width() const {
    const Sides s = sidesOf(Paper);
    return Landscape ? s.longSide : s.shortSide;
}

double PlotSheet::Height() const {
    const Sides s = sidesOf(Paper);
    return Landscape ? s.shortSide : s.longSide;
}

void WorldBounds::Include(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    if (Empty) {
        MinX = MaxX = x;
        MinY = MaxY = y;
        Empty = false;
        return;
    }
    MinX = std::min(MinX, x);
    MaxX = std::max(MaxX, x);
    MinY = std::min(MinY, y);
    MaxY = std::max(MaxY, y);
}

WorldBounds BoundsOf(const TNCADProject& project) {
    WorldBounds bounds;
    for (const auto& item : project)
        for (const auto& point : item->Points)
            bounds.Include(point->X, point->Y);
    return bounds;
}

PlotLayout::PlotLayout(PlotSheet sheet, int scale, WorldBounds bounds)
    : m_sheet(sheet), m_scale(std::max(scale, 1)), m_bounds(bounds) {}

PaperRect PlotLayout::Frame() const {
    return {kFrameMargin, kFrameMargin, m_sheet.Width() - 2 * kFrameMargin,
            m_sheet.Height() - 2 * kFrameMargin};
}

PaperRect PlotLayout::MapArea() const {
    PaperRect r = Frame();
    r.Height -= kStripHeight;
    return r;
}

PaperRect PlotLayout::PointArea() const {
    const PaperRect map = MapArea();
    return {map.Left + kPadLeft, map.Top + kPadTop, map.Width - kPadLeft - kPadRight,
            map.Height - kPadTop - kPadBottom};
}

PaperRect PlotLayout::ArrowCell() const {
    const PaperRect f = Frame();
    return {f.Left, f.Bottom() - kStripHeight, kArrowCellWidth, kStripHeight};
}

PaperRect PlotLayout::TitleCell() const {
    const PaperRect f = Frame();
    return {f.Right() - kTitleCellWidth, f.Bottom() - kStripHeight, kTitleCellWidth, kStripHeight};
}

PaperRect PlotLayout::ScaleBarCell() const {
    const PaperRect f = Frame();
    return {f.Left + kArrowCellWidth, f.Bottom() - kStripHeight,
            f.Width - kArrowCellWidth - kTitleCellWidth, kStripHeight};
}

bool PlotLayout::Fits() const {
    if (m_bounds.Empty)
        return true;
    const PaperRect area = PointArea();
    return m_bounds.Width() * MmPerUnit() <= area.Width + kFitSlack &&
           m_bounds.Height() * MmPerUnit() <= area.Height + kFitSlack;
}

PaperPoint PlotLayout::ToPaper(double x, double y) const {
    const PaperRect area = PointArea();
    const double cx = (m_bounds.MinX + m_bounds.MaxX) / 2;
    const double cy = (m_bounds.MinY + m_bounds.MaxY) / 2;
    return {area.Left + area.Width / 2 + (x - cx) * MmPerUnit(),
            area.Top + area.Height / 2 - (y - cy) * MmPerUnit()};
}

void PlotLayout::ToWorld(PaperPoint p, double& x, double& y) const {
    const PaperRect area = PointArea();
    x = (m_bounds.MinX + m_bounds.MaxX) / 2 + (p.X - area.Left - area.Width / 2) / MmPerUnit();
    y = (m_bounds.MinY + m_bounds.MaxY) / 2 - (p.Y - area.Top - area.Height / 2) / MmPerUnit();
}

double PlotLayout::ScaleBarLength() const {
    // The bar keeps 8 mm of its cell free on either side for its end labels.
    const double maxMm = std::min(ScaleBarCell().Width - 16, kScaleBarMaxLength);
    const double units = maxMm / MmPerUnit();
    const double power = std::pow(10.0, std::floor(std::log10(units)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * power <= units * (1 + 1e-12))
            return step * power;
    return power;
}

int ChooseScale(const PlotSheet& sheet, const WorldBounds& bounds) {
    for (const int scale : kPlotScales)
        if (PlotLayout(sheet, scale, bounds).Fits())
            return scale;
    return 0;
}

double SmallestFittingScale(const PlotSheet& sheet, const WorldBounds& bounds) {
    if (bounds.Empty)
        return 0;
    const PaperRect area = PlotLayout(sheet, 1, bounds).PointArea();
    return std::max(bounds.Width() * 1000 / area.Width, bounds.Height() * 1000 / area.Height);
}
