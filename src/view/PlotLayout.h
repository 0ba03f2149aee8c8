#pragma once

// The sheet of a plan plotted to scale and the mapping of the job onto it. Paper positions
// are millimetres from the sheet's top-left corner, x to the right and y downward; world
// units are metres, X to the right and Y up, so north is up on the sheet. Plain arithmetic,
// free of any device, so that it is tested alone.

class TNCADProject;

enum class PaperSize { A4, A3 };
const char* PaperName(PaperSize paper); // "A4", "A3"

struct PlotSheet {
    PaperSize Paper = PaperSize::A4;
    bool Landscape = false;

    double Width() const; // mm
    double Height() const;
};

struct PaperPoint {
    double X = 0;
    double Y = 0;
};

struct PaperRect {
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;

    double Right() const { return Left + Width; }
    double Bottom() const { return Top + Height; }
};

// Bounds of the job's points, world units.
struct WorldBounds {
    double MinX = 0;
    double MinY = 0;
    double MaxX = 0;
    double MaxY = 0;
    bool Empty = true;

    void Include(double x, double y);
    double Width() const { return MaxX - MinX; }
    double Height() const { return MaxY - MinY; }
};
WorldBounds BoundsOf(const TNCADProject& project);

// The scales offered, as the N of 1:N, largest scale (smallest N) first.
inline constexpr int kPlotScales[] = {100, 200, 250, 500, 600, 1000, 1200, 2500, 3000, 5000};

class PlotLayout {
public:
    // Sheet edge to frame, mm.
    static constexpr double kFrameMargin = 10;
    // The strip along the bottom of the frame: north arrow, scale bar, title block.
    static constexpr double kStripHeight = 28;
    static constexpr double kArrowCellWidth = 22;
    static constexpr double kTitleCellWidth = 100;
    static constexpr double kScaleBarMaxLength = 100;
    // Marks and labels keep their paper sizes at every scale; kLabelOffset is the offset
    // of TPointSymbol, which places the labels.
    static constexpr double kDotRadius = 0.4;
    static constexpr double kTextHeight = 2.5; // em size of the labels
    static constexpr double kLabelOffset = 3.0;
    // Points keep this far from the map area's edges, so that their labels (right of and
    // below them) stay on the map.
    static constexpr double kPadLeft = 3;
    static constexpr double kPadTop = 5;
    static constexpr double kPadRight = 15;
    static constexpr double kPadBottom = 7;

    PlotLayout(PlotSheet sheet, int scale, WorldBounds bounds);

    const PlotSheet& Sheet() const { return m_sheet; }
    int Scale() const { return m_scale; }
    const WorldBounds& Bounds() const { return m_bounds; }
    double MmPerUnit() const { return 1000.0 / m_scale; }

    PaperRect Frame() const;
    // Inside the frame, above the strip; the drawing is clipped to it.
    PaperRect MapArea() const;
    // Where points may lie; the job is centred in it.
    PaperRect PointArea() const;
    PaperRect ArrowCell() const;
    PaperRect ScaleBarCell() const;
    PaperRect TitleCell() const;

    // True when every point lies in PointArea (a job without points always fits).
    bool Fits() const;

    PaperPoint ToPaper(double x, double y) const;
    void ToWorld(PaperPoint p, double& x, double& y) const;

    // Length of the scale bar, world units: 1, 2 or 5 times a power of ten, as long as fits
    // its cell (and kScaleBarMaxLength).
    double ScaleBarLength() const;

private:
    PlotSheet m_sheet;
    int m_scale;
    WorldBounds m_bounds;
};

// The largest standard scale (smallest N) at which the job fits the sheet; 0 when none does.
int ChooseScale(const PlotSheet& sheet, const WorldBounds& bounds);
// The smallest N at which the job fits, not rounded to a standard scale.
double SmallestFittingScale(const PlotSheet& sheet, const WorldBounds& bounds);
