#include "view/NCAD.h"

#include "model/ProjectManager.h"
#include "toolkit/Application.h"
#include "toolkit/Fonts.h"
#include "view/LabelPainter.h"
#include "view/PointPick.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;
const QColor kLineColour(0, 0, 255);
// The selected point's ring: yellow stands apart from the white dots and labels, the blue
// lines and the black ground.
const QColor kMarkColour(255, 255, 0);
// Pixels; the ring keeps this size at every zoom and widens only around a bigger dot.
constexpr int kMarkRadius = 8;
constexpr int kMarkPen = 2;

// The horizontal bar only carries arrows; its thumb is put back here at every paint.
constexpr int kHorzMaximum = 8192;
constexpr int kHorzMiddle = 4096;
constexpr int kVertMaximum = 100;
constexpr int kVertMiddle = 50;

// Beyond this many pixels from the image a segment is clipped here before Qt sees it, so
// that the rasteriser's fixed-point range is never exceeded.
constexpr double kSafeLineCoord = 1 << 22;
// Segments are dropped only when both ends lie this far beyond the same image edge.
constexpr double kLineSlack = 2;

// Liang-Barsky clip of (x0,y0)-(x1,y1) to the rectangle; false when nothing is left.
bool clipSegment(double& x0, double& y0, double& x1, double& y1, double left, double top,
                 double right, double bottom) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double ox = x0, oy = y0;
    x0 = ox + t0 * dx;
    y0 = oy + t0 * dy;
    x1 = ox + t1 * dx;
    y1 = oy + t1 * dy;
    return true;
}

} // namespace

// ---------------------------------------------------------------- TBasicNCAD

TBasicNCAD::TBasicNCAD(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    // The view paints every pixel of its client area; nothing is erased first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    horizontalScrollBar()->setCursor(Qt::ArrowCursor);
    verticalScrollBar()->setCursor(Qt::ArrowCursor);
}

TBasicNCAD::RepaintBatch::~RepaintBatch() {
    if (--m_view.m_batchDepth == 0 && m_view.m_repaintPending) {
        m_view.m_repaintPending = false;
        m_view.Repaint();
    }
}

void TBasicNCAD::Repaint() {
    if (m_batchDepth > 0) {
        m_repaintPending = true;
        return;
    }
    viewport()->repaint();
}

void TBasicNCAD::Pan(int direction, double distance) {
    Shift(direction, distance);
    Repaint();
}

void TBasicNCAD::ZoomIn() {
    if (ZoomInScale())
        Repaint();
}

void TBasicNCAD::ZoomOut() {
    ZoomOutScale();
    Repaint();
}

void TBasicNCAD::SetCenter(double x, double y) {
    CenterX = x;
    CenterY = y;
}

void TBasicNCAD::mouseReleaseEvent(QMouseEvent* event) {
    RunGuarded([&] {
        if (OnMouseUp)
            OnMouseUp(event->button());
    });
}

void TBasicNCAD::wheelEvent(QWheelEvent* event) {
    RunGuarded([&] {
        // Only the vertical wheel zooms; a tilt or a touch-pad phase event without a
        // vertical turn does nothing.
        const int delta = event->angleDelta().y();
        if (delta != 0 && OnMouseWheel)
            OnMouseWheel(delta);
        // The pointer stayed, the drawing moved under it.
        ReportPointer(event->position().toPoint());
    });
    event->accept();
}

bool TBasicNCAD::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave && OnPointerLeave)
        RunGuarded([&] { OnPointerLeave(); });
    return QAbstractScrollArea::viewportEvent(event);
}

void TBasicNCAD::ReportPointer(const QPoint& pos) {
    if (!OnPointerMove)
        return;
    double x = 0, y = 0;
    ScreenToWorld(pos.x(), pos.y(), x, y);
    OnPointerMove(x, y);
}

// ---------------------------------------------------------------- TNCAD

TNCAD::TNCAD(QWidget* parent)
    : TBasicNCAD(parent), m_projectManager(std::make_unique<TProjectManager>()),
      m_labels(std::make_unique<LabelPainter>(QString::fromUtf8(Fonts::kLabelFamily))) {
    SetScrollBars(ssBoth);
    horizontalScrollBar()->setRange(0, kHorzMaximum);
    horizontalScrollBar()->setValue(kHorzMiddle);
    verticalScrollBar()->setRange(0, kVertMaximum);
    verticalScrollBar()->setValue(kVertMiddle);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { RunGuarded([&] { HorzScroll(action); }); });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this,
            [this] { RunGuarded([&] { Repaint(); }); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { RunGuarded([&] { VertScroll(action); }); });
    AddStory();
    CurrentStory = 0;
}

TNCAD::~TNCAD() {
    m_projectManager->ClearProjects();
    ClearStories();
}

TNCADProject* TNCAD::Project() const { return m_projectManager->GetProject(0); }

bool TNCAD::FindPoint(const std::string& code, double x, double y, double z, int& itemIndex,
                      int& pointIndex) const {
    const TNCADProject* p = Project();
    return p && p->FindPoint(code, x, y, z, itemIndex, pointIndex);
}

void TNCAD::FindPointAt(int& itemIndex, int& pointIndex, double x, double y, double z) const {
    if (const TNCADProject* p = Project())
        p->FindPointAt(itemIndex, pointIndex, x, y, z);
}

void TNCAD::ZoomExtents() {
    ResetExtents();
    ComputeExtents();
    Repaint();
}

void TNCAD::ComputeExtents() {
    if (!m_projectManager)
        return;
    // World units throughout: passing the extents through whole pixels of the old mapping
    // would miss the data by up to half an old pixel, which is huge after a fit of nothing.
    if (const TNCADProject* project = Project())
        for (const auto& item : *project)
            for (const auto& point : item->Points) {
                const TEastNorth plan = PlanPos(*point);
                IncludeInExtents(plan.E, plan.N);
            }
    CloseExtents();
    FitView();
}

void TNCAD::SetCenter(double x, double y) { TBasicNCAD::SetCenter(x, y); }

TEastNorth TNCAD::PlanPos(const TBasePoint3D& point) const {
    return ToEastNorth(point.X, point.Y, m_axes);
}

void TNCAD::SetScrollBars(TScrollStyle style) {
    m_scrollBars = style;
    const bool horz = style == ssHorizontal || style == ssBoth;
    const bool vert = style == ssVertical || style == ssBoth;
    setHorizontalScrollBarPolicy(horz ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TNCAD::UpdateHorzScrollBar() {
    if (m_scrollBars != ssHorizontal && m_scrollBars != ssBoth)
        return;
    QScrollBar* bar = horizontalScrollBar();
    if (bar->isSliderDown())
        return; // a thumb drag in progress; it goes back when released
    bar->setRange(0, kHorzMaximum);
    bar->setValue(kHorzMiddle);
}

void TNCAD::HorzScroll(int action) {
    if (action == QAbstractSlider::SliderMove)
        return; // a thumb drag does not move the view
    RepaintBatch batch(*this);
    if (action == QAbstractSlider::SliderSingleStepSub)
        Pan(0, ScrollStep());
    else if (action == QAbstractSlider::SliderSingleStepAdd)
        Pan(1, ScrollStep());
    Repaint();
}

void TNCAD::VertScroll(int action) {
    RepaintBatch batch(*this);
    // The up arrow pans towards smaller Y: the drawing moves up.
    if (action == QAbstractSlider::SliderSingleStepSub)
        Pan(3, ScrollStep());
    else if (action == QAbstractSlider::SliderSingleStepAdd)
        Pan(2, ScrollStep());
    // The thumb stays where it is: the bar carries the arrows only.
    verticalScrollBar()->setSliderPosition(kVertMiddle);
    Repaint();
}

bool TNCAD::LayerVisible(int layer) const {
    return layer >= 1 && layer <= kPointLayerCount && Shows(m_layers, TPointLayer(layer));
}

void TNCAD::SetLayerVisible(int layer, bool visible) {
    if (layer < 1 || layer > kPointLayerCount)
        return;
    m_layers[LayerIndex(TPointLayer(layer))] = visible;
    viewport()->update();
}

int TNCAD::AddStory() {
    auto story = std::make_unique<TNCADStory>();
    story->Canvas = &m_offscreen;
    m_stories.push_back(std::move(story));
    return static_cast<int>(m_stories.size()) - 1;
}

TNCADStory* TNCAD::GetStory(int index) const {
    if (index < 0 || index >= static_cast<int>(m_stories.size()))
        return nullptr;
    return m_stories[static_cast<size_t>(index)].get();
}

bool TNCAD::DeleteStory(int index) {
    bool done = false;
    if (GetStory(index)) {
        m_stories.erase(m_stories.begin() + index);
        CurrentStory = 0;
        done = true;
    }
    Repaint();
    return done;
}

void TNCAD::ClearStories() {
    while (!m_stories.empty())
        m_stories.pop_back();
}

// ---------------------------------------------------------------- pointer

bool TNCAD::IsTopmostAt(const QPoint& globalPos) const {
    QWidget* top = window();
    const QWidget* hit = top->childAt(top->mapFromGlobal(globalPos));
    return hit == viewport();
}

void TNCAD::mousePressEvent(QMouseEvent* event) {
    RunGuarded([&] {
        const QPoint pos = event->position().toPoint(); // client pixels
        if (event->button() == Qt::MiddleButton) {
            // The middle button pans whatever the left one is armed for.
            m_middleDrag = true;
            LastMouseX = pos.x();
            LastMouseY = pos.y();
            setCursor(Qt::ClosedHandCursor);
            return;
        }
        if (event->button() != Qt::LeftButton)
            return;
        setCursor(Qt::PointingHandCursor);
        LastMouseX = pos.x();
        LastMouseY = pos.y();
        MouseDown = true;
        // An armed mode waits for a press that really lands on the view.
        if (!IsTopmostAt(event->globalPosition().toPoint()))
            return;
        RaisePointEvent(pos);
    });
}

void TNCAD::RaisePointEvent(const QPoint& pos) {
    if (MouseMode != mmAddPoint && MouseMode != mmSendPoint) {
        if (OnPointPicked && Project())
            if (const TPoint3D* point = PickPoint(*this, *Project(), pos.x(), pos.y()))
                OnPointPicked(point);
        return;
    }
    TEastNorth plan;
    ScreenToWorld(pos.x(), pos.y(), plan.E, plan.N);
    double dx = 0, dy = 0;
    FromEastNorth(plan, m_axes, dx, dy);
    const auto& handler = MouseMode == mmAddPoint ? OnAddedPoint : OnSendAddedPoint;
    // One-shot: the mode is consumed even when the handler fails or is missing.
    try {
        if (handler)
            handler(dx, dy);
    } catch (...) {
        MouseMode = mmNone;
        throw;
    }
    MouseMode = mmNone;
}

void TNCAD::mouseMoveEvent(QMouseEvent* event) {
    RunGuarded([&] {
        setFocus(Qt::MouseFocusReason);
        const QPoint pos = event->position().toPoint();
        if (m_middleDrag || (MouseDown && MouseMode == mmPan))
            PanTo(pos);
        ReportPointer(pos);
    });
}

void TNCAD::PanTo(const QPoint& pos) {
    double ox = 0, oy = 0, nx = 0, ny = 0;
    ScreenToWorld(LastMouseX, LastMouseY, ox, oy);
    ScreenToWorld(pos.x(), pos.y(), nx, ny);
    if (!m_middleDrag)
        setCursor(Qt::PointingHandCursor);
    // Keeps the world point under the pointer; both steps show in one paint.
    RepaintBatch batch(*this);
    if (nx < ox)
        Pan(1, ox - nx);
    else
        Pan(0, nx - ox);
    LastMouseX = pos.x();
    if (ny < oy)
        Pan(2, oy - ny);
    else
        Pan(3, ny - oy);
    LastMouseY = pos.y();
}

void TNCAD::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && m_middleDrag) {
        m_middleDrag = false;
        setCursor(Qt::PointingHandCursor);
    }
    TBasicNCAD::mouseReleaseEvent(event);
}

// ---------------------------------------------------------------- painting

void TNCAD::paintEvent(QPaintEvent* event) {
    RunGuarded([&] {
        UpdateHorzScrollBar();
        RenderOffscreen();
        QPainter painter(viewport());
        const QRect area = event->rect();
        painter.drawImage(area, m_offscreen, area);
    });
}

void TNCAD::RenderOffscreen() {
    // A hidden view has not laid out its viewport yet; the client size follows a resize
    // only when the pending resize event is delivered.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent resize(size(), QSize());
        QCoreApplication::sendEvent(this, &resize);
    }
    const QSize size = viewport()->size();
    if (m_offscreen.size() != size)
        m_offscreen = QImage(size, QImage::Format_RGB32);
    if (m_offscreen.isNull())
        return;
    ClearBackground();
    QPainter painter(&m_offscreen);
    for (const auto& story : m_stories)
        if (story->Active)
            DrawProject(painter);
    DrawMark(painter);
}

void TNCAD::SetMark(double x, double y) {
    if (m_hasMark && m_markX == x && m_markY == y)
        return;
    m_hasMark = true;
    m_markX = x;
    m_markY = y;
    Repaint();
}

void TNCAD::ClearMark() {
    if (!m_hasMark)
        return;
    m_hasMark = false;
    Repaint();
}

void TNCAD::DrawMark(QPainter& painter) {
    if (!m_hasMark)
        return;
    const double px = PixelX(m_markX), py = PixelY(m_markY);
    const int radius = std::clamp(MarkSizesFor(Scale).radius + 4, kMarkRadius, 1 << 16);
    // Far off the image there is nothing to see (and nothing Qt could raster safely).
    if (!(std::abs(px) <= kSafeLineCoord && std::abs(py) <= kSafeLineCoord))
        return;
    painter.setPen(QPen(kMarkColour, kMarkPen));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(px, py), radius, radius);
}

void TNCAD::ClearBackground() {
    // Black with a one-pixel white frame.
    m_offscreen.fill(kBlack);
    const int w = m_offscreen.width();
    const int h = m_offscreen.height();
    auto* top = reinterpret_cast<QRgb*>(m_offscreen.scanLine(0));
    auto* bottom = reinterpret_cast<QRgb*>(m_offscreen.scanLine(h - 1));
    std::fill(top, top + w, kWhite);
    std::fill(bottom, bottom + w, kWhite);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_offscreen.scanLine(y));
        row[0] = kWhite;
        row[w - 1] = kWhite;
    }
}

void TNCAD::DrawProject(QPainter& painter) {
    const TNCADProject* project = Project();
    if (!project)
        return;
    const MarkSizes sizes = MarkSizesFor(Scale);
    const int d = sizes.offset;
    const int r = sizes.radius;
    m_labels->Begin(m_offscreen, painter, sizes.textHeight);
    const double width = m_offscreen.width();
    const double height = m_offscreen.height();
    // Everything a point draws lies right of px - r and between py - d and py + d + cell.
    const double below = d + m_labels->CellHeight();
    const bool dots = Shows(m_layers, TPointLayer::Dots), ids = Shows(m_layers, TPointLayer::Ids),
               codes = Shows(m_layers, TPointLayer::Codes),
               heights = Shows(m_layers, TPointLayer::Heights),
               lines = Shows(m_layers, TPointLayer::Lines);

    for (const auto& item : *project) {
        const int count = item->PointCount();
        if (static_cast<int>(m_pixels.size()) < count)
            m_pixels.resize(static_cast<size_t>(count));
        const LabelPainter::Prepared code = m_labels->Prepare(item->Code());
        int i = 0;
        for (const auto& point : item->Points) {
            const TEastNorth plan = PlanPos(*point);
            const double fx = PixelX(plan.E);
            const double fy = PixelY(plan.N);
            m_pixels[static_cast<size_t>(i++)] = {fx, fy};
            if (!(std::abs(fx) <= kPixelLimit && std::abs(fy) <= kPixelLimit))
                continue; // far off the image (or not a number)
            if (m_culling && (fx - r >= width || fy - d >= height || fy + below <= 0))
                continue;
            const TPointSymbol<int> symbol{static_cast<int>(fx), static_cast<int>(fy), d};
            if (ids)
                m_labels->Draw(symbol.LabelLeft(), symbol.IdTop(), point->ID);
            if (codes)
                m_labels->Draw(symbol.LabelLeft(), symbol.CodeTop(), code);
            if (dots)
                DrawPointMarker(symbol.X, symbol.Y, r);
            if (heights) {
                if (const std::string_view z = m_heightText(point->Z); !z.empty())
                    m_labels->Draw(symbol.LabelLeft(), symbol.HeightTop(), z);
            }
        }
        if (!item->Code().empty() && lines && count > 0)
            DrawPolyline(painter, m_pixels.data(), count);
    }
    m_labels->End();
}

void TNCAD::DrawPointMarker(int px, int py, int radius) {
    // A filled disc of diameter 2r: the pixels of [px - r, px + r) x [py - r, py + r) whose
    // centres lie within r of (px, py).
    if (radius <= 0)
        return;
    const int w = m_offscreen.width();
    const int h = m_offscreen.height();
    const int y0 = std::max(py - radius, 0);
    const int y1 = std::min(py + radius, h);
    const double r2 = static_cast<double>(radius) * radius;
    for (int y = y0; y < y1; ++y) {
        const double dy = y + 0.5 - py;
        const double rest = r2 - dy * dy;
        if (rest < 0)
            continue;
        const double half = std::sqrt(rest);
        const int x0 = std::max({static_cast<int>(std::ceil(px - half - 0.5)), px - radius, 0});
        const int x1 = std::min({static_cast<int>(std::floor(px + half - 0.5)), px + radius - 1, w - 1});
        if (x0 > x1)
            continue;
        auto* row = reinterpret_cast<QRgb*>(m_offscreen.scanLine(y));
        std::fill(row + x0, row + x1 + 1, kWhite);
    }
}

void TNCAD::DrawPolyline(QPainter& painter, const PixelPoint* points, int count) {
    if (count < 2)
        return;
    painter.setPen(QPen(kLineColour, 1));
    const double right = m_offscreen.width() - 1 + kLineSlack;
    const double bottom = m_offscreen.height() - 1 + kLineSlack;
    for (int i = 1; i < count; ++i) {
        double x0 = points[i - 1].x, y0 = points[i - 1].y;
        double x1 = points[i].x, y1 = points[i].y;
        if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
            continue;
        if (m_culling && ((x0 < -kLineSlack && x1 < -kLineSlack) || (x0 > right && x1 > right) ||
                          (y0 < -kLineSlack && y1 < -kLineSlack) || (y0 > bottom && y1 > bottom)))
            continue;
        if (std::max({std::abs(x0), std::abs(y0), std::abs(x1), std::abs(y1)}) > kSafeLineCoord) {
            if (clipSegment(x0, y0, x1, y1, -16, -16, right + 16, bottom + 16))
                painter.drawLine(QLineF(x0, y0, x1, y1));
            continue;
        }
        painter.drawLine(QPoint(static_cast<int>(x0), static_cast<int>(y0)),
                         QPoint(static_cast<int>(x1), static_cast<int>(y1)));
    }
}
