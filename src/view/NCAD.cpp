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
#include <cstring>
#include <limits>
#include <map>
#include <utility>

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

// Black with a one-pixel white frame.
void clearBackground(QImage& image) {
    image.fill(kBlack);
    const int w = image.width();
    const int h = image.height();
    auto* top = reinterpret_cast<QRgb*>(image.scanLine(0));
    auto* bottom = reinterpret_cast<QRgb*>(image.scanLine(h - 1));
    std::fill(top, top + w, kWhite);
    std::fill(bottom, bottom + w, kWhite);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        row[0] = kWhite;
        row[w - 1] = kWhite;
    }
}

void DrawPointMarker(QImage& image, int px, int py, int radius) {
    // A filled disc of diameter 2r: the pixels of [px - r, px + r) x [py - r, py + r) whose
    // centres lie within r of (px, py).
    if (radius <= 0)
        return;
    const int w = image.width();
    const int h = image.height();
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
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(row + x0, row + x1 + 1, kWhite);
    }
}

void DrawLongSegment(QRgb* bits, std::ptrdiff_t stride, int w, int h, QRgb colour, std::int64_t x0,
                     std::int64_t y0, std::int64_t x1, std::int64_t y1);

// A segment between pixels of an RGB32 image, one pixel per step along the longer axis, the
// other axis rounded half down; only what falls on the image is written. Whole integer
// arithmetic: a segment puts the same pixels wherever it lies, so a pan that moves the picture
// and draws a strip puts what a whole paint puts. Ends within a few million pixels of the image.
inline void DrawPixelSegment(QRgb* bits, std::ptrdiff_t stride, int w, int h, QRgb colour, std::int64_t x0,
                             std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    // Most segments of a big job join neighbouring pixels: those are done here.
    const std::int64_t dx = x1 - x0, dy = y1 - y0;
    if (dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2 && x0 >= 0 && y0 >= 0 && x1 >= 0 && y1 >= 0 && x0 < w &&
        x1 < w && y0 < h && y1 < h) {
        bits[y0 * stride + x0] = colour;
        bits[y1 * stride + x1] = colour;
        if (std::max(std::abs(dx), std::abs(dy)) == 2)
            bits[((y0 + y1) >> 1) * stride + ((x0 + x1) >> 1)] = colour; // >> floors
        return;
    }
    DrawLongSegment(bits, stride, w, h, colour, x0, y0, x1, y1);
}

void DrawLongSegment(QRgb* bits, std::ptrdiff_t stride, int w, int h, QRgb colour, std::int64_t x0,
                     std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    const std::int64_t dx = x1 - x0, dy = y1 - y0;
    const std::int64_t n = std::max(std::abs(dx), std::abs(dy));
    if (n == 0) {
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h)
            bits[y0 * stride + x0] = colour;
        return;
    }
    const bool alongX = std::abs(dx) >= std::abs(dy);
    const std::int64_t major0 = alongX ? x0 : y0, minor0 = alongX ? y0 : x0;
    const std::int64_t step = (alongX ? dx : dy) > 0 ? 1 : -1, slope = alongX ? dy : dx;
    const std::int64_t limit = alongX ? w : h, other = alongX ? h : w;
    // Step k lies at major0 + step k, minor0 + m(k) with m(k) = ceil(q(k) / den),
    // q(k) = 2 k slope - n: k slope / n rounded half down.
    const std::int64_t den = 2 * n;
    const auto minorAt = [&](std::int64_t k) {
        const std::int64_t q = 2 * k * slope - n;
        return minor0 + (q >= 0 ? (q + den - 1) / den : -((-q) / den));
    };
    const auto onImage = [&](std::int64_t minor) { return minor >= 0 && minor < other; };
    // The steps whose major coordinate lies on the image, exactly.
    std::int64_t k0 = 0, k1 = n;
    if (step > 0)
        k0 = std::max(k0, -major0), k1 = std::min(k1, limit - 1 - major0);
    else
        k0 = std::max(k0, major0 - (limit - 1)), k1 = std::min(k1, major0);
    // Then those whose minor coordinate does: estimated, then settled a step at a time (the
    // minor coordinate moves one way only, so what lies on the image is one run of steps).
    if (slope == 0) {
        if (!onImage(minor0))
            return;
    } else {
        double ka = double(-1 - minor0) * double(n) / double(slope);
        double kb = double(other - minor0) * double(n) / double(slope);
        if (ka > kb)
            std::swap(ka, kb);
        k0 = std::max(k0, static_cast<std::int64_t>(std::max(std::floor(ka) - 1, -1.0)));
        k1 = std::min(k1, static_cast<std::int64_t>(std::min(std::ceil(kb) + 1, double(n) + 1)));
        while (k0 <= k1 && !onImage(minorAt(k0)))
            ++k0;
        while (k1 >= k0 && !onImage(minorAt(k1)))
            --k1;
    }
    if (k0 > k1)
        return;
    // Bresenham: e = q(k) - m(k) den stays in (-den, 0]; a step adds 2 slope to q, and since
    // |2 slope| <= den, m moves by at most one.
    const std::int64_t q0 = 2 * k0 * slope - n;
    const std::int64_t m0 = minorAt(k0) - minor0;
    std::int64_t e = q0 - m0 * den;
    const std::ptrdiff_t majorStep = alongX ? step : step * stride;
    const std::ptrdiff_t minorStep = alongX ? stride : 1;
    const std::int64_t twoSlope = 2 * slope;
    QRgb* p = bits + (alongX ? (major0 + step * k0) + (minor0 + m0) * stride
                             : (major0 + step * k0) * stride + (minor0 + m0));
    std::int64_t count = k1 - k0 + 1;
    if (slope >= 0) {
        for (;;) {
            *p = colour;
            if (--count == 0)
                break;
            p += majorStep;
            e += twoSlope;
            if (e > 0)
                e -= den, p += minorStep;
        }
    } else {
        for (;;) {
            *p = colour;
            if (--count == 0)
                break;
            p += majorStep;
            e += twoSlope;
            if (e <= -den)
                e += den, p -= minorStep;
        }
    }
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
        m_view.RepaintNow();
    }
}

void TBasicNCAD::Repaint() {
    m_jobCheck = true;
    RepaintNow();
}

void TBasicNCAD::RepaintMoved() { RepaintNow(); }

void TBasicNCAD::RepaintNow() {
    if (m_batchDepth > 0) {
        m_repaintPending = true;
        return;
    }
    viewport()->repaint();
}

bool TBasicNCAD::TakeJobCheck() { return std::exchange(m_jobCheck, false); }

void TBasicNCAD::Pan(int direction, double distance) {
    Shift(direction, distance);
    RepaintMoved();
}

void TBasicNCAD::ZoomIn() {
    if (ZoomInScale())
        RepaintMoved();
}

void TBasicNCAD::ZoomOut() {
    ZoomOutScale();
    RepaintMoved();
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
            [this] { RunGuarded([&] { RepaintMoved(); }); });
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
                const TPlanXY at = PlanPos(*point);
                IncludeInExtents(at.X, at.Y);
            }
    CloseExtents();
    FitView();
}

void TNCAD::SetCenter(double x, double y) { TBasicNCAD::SetCenter(x, y); }

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
    RepaintMoved();
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
    RepaintMoved();
}

bool TNCAD::LayerVisible(int layer) const {
    return layer >= 1 && layer <= kPointLayerCount && Shows(m_layers, TPointLayer(layer));
}

void TNCAD::SetLayerVisible(int layer, bool visible) {
    if (layer < 1 || layer > kPointLayerCount)
        return;
    m_layers[LayerIndex(TPointLayer(layer))] = visible;
    InvalidatePicture();
    viewport()->update();
}

void TNCAD::SetCulling(bool on) {
    m_culling = on;
    InvalidatePicture();
}

void TNCAD::SetFullScan(bool on) {
    m_fullScan = on;
    InvalidatePicture();
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
            if (const TPoint3D* point = PickPoint(*this, SyncedIndex(), pos.x(), pos.y()))
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
        UpdatePicture(TakeJobCheck(), true);
        DrawMark();
        QPainter painter(viewport());
        const QRect area = event->rect();
        painter.drawImage(area, OffscreenImage(), area);
    });
}

void TNCAD::EnsureClientSize() {
    // A hidden view has not laid out its viewport yet; the client size follows a resize
    // only when the pending resize event is delivered.
    if (testAttribute(Qt::WA_PendingResizeEvent)) {
        setAttribute(Qt::WA_PendingResizeEvent, false);
        QResizeEvent resize(size(), QSize());
        QCoreApplication::sendEvent(this, &resize);
    }
    const QSize size = viewport()->size();
    if (m_offscreen.size() != size) {
        m_offscreen = QImage(size, QImage::Format_RGB32);
        m_drawn.Valid = false;
    }
}

void TNCAD::RenderOffscreen() {
    m_drawn.Valid = false;
    UpdateOffscreen(true);
}

bool TNCAD::SyncIndex(bool deferGrid) {
    m_index.DeferGrid(deferGrid);
    return m_index.Sync(Project(), [this](const TBasePoint3D& p) { return PlanPos(p); });
}

const TPlanIndex& TNCAD::SyncedIndex() {
    // The job may have changed since the last paint; a pick must see it as it is.
    if (SyncIndex())
        InvalidatePicture();
    return m_index;
}

bool TNCAD::AnyStoryActive() const {
    return std::any_of(m_stories.begin(), m_stories.end(), [](const auto& s) { return s->Active; });
}

void TNCAD::UpdateOffscreen(bool checkJob) {
    UpdatePicture(checkJob);
    DrawMark();
}

void TNCAD::UpdatePicture(bool checkJob, bool inBands) {
    EnsureClientSize();
    if (m_offscreen.isNull())
        return;
    // The job was checked for the picture shown or the one under way: a move of the view
    // alone needs no check (a second of it on the largest jobs).
    const bool checked = m_drawn.Valid || m_pieces.For.Valid;
    if (m_pieces.For.Valid && (!inBands || !SameMapping(m_pieces.For)))
        StopPieces(); // drawn whole now, or for the new state
    if (m_fullScan) {
        clearBackground(m_offscreen);
        QPainter painter(&m_offscreen);
        for (const auto& story : m_stories)
            if (story->Active)
                DrawProjectByScan(painter);
        m_drawn.Valid = false;
        return;
    }
    const bool changed = (checkJob || !checked) && SyncIndex(inBands);
    if (m_pieces.For.Valid) {
        if (!changed)
            return; // the bands go on, or the cancelled picture stays
        StopPieces();
    }
    // A big job's grid is built in the bands' steps; any other is built now.
    if (!m_index.GridReady() && !(inBands && m_index.Size() > m_pieceThreshold))
        m_index.BuildGrid();
    const Drawn& d = m_drawn;
    if (!changed && d.Valid && d.Size == m_offscreen.size() && d.Scale == Scale &&
        d.HalfWidth == HalfWidth && d.HalfHeight == HalfHeight) {
        // A pan moves every point by the same whole number of pixels (within rounding).
        const double fx = (d.CenterX - CenterX) * Scale, fy = (CenterY - d.CenterY) * Scale;
        const double dx = std::nearbyint(fx), dy = std::nearbyint(fy);
        if (std::abs(fx - dx) < 1e-6 && std::abs(fy - dy) < 1e-6 &&
            std::abs(dx) < m_offscreen.width() - 2 && std::abs(dy) < m_offscreen.height() - 2) {
            ShiftPicture(static_cast<int>(dx), static_cast<int>(dy));
            m_drawn.CenterX = CenterX;
            m_drawn.CenterY = CenterY;
            return;
        }
    }
    if (inBands && (!m_index.GridReady() || PictureCost() > m_pieceThreshold))
        StartPieces();
    else
        RenderWhole();
}

void TNCAD::RenderWhole() {
    clearBackground(m_offscreen);
    m_omittedNow = false;
    if (AnyStoryActive())
        PaintAreas(m_offscreen, {m_offscreen.rect()}, true);
    m_drawn = {true, Scale, CenterX, CenterY, HalfWidth, HalfHeight, m_offscreen.size()};
    SetLabelsOmitted(m_omittedNow);
}

void TNCAD::ShiftPicture(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return;
    const int w = m_offscreen.width(), h = m_offscreen.height();
    // The old picture's inside (its frame is drawn anew) lands on [xa, xb] x [ya, yb].
    const int xa = std::max(1, 1 + dx), xb = std::min(w - 2, w - 2 + dx);
    const int ya = std::max(1, 1 + dy), yb = std::min(h - 2, h - 2 + dy);
    const size_t bytes = static_cast<size_t>(xb - xa + 1) * 4;
    auto move = [&](int y) {
        std::memmove(m_offscreen.scanLine(y) + xa * 4, m_offscreen.constScanLine(y - dy) + (xa - dx) * 4, bytes);
    };
    if (dy > 0)
        for (int y = yb; y >= ya; --y)
            move(y);
    else
        for (int y = ya; y <= yb; ++y)
            move(y);
    std::vector<QRect> areas;
    areas.emplace_back(0, 0, xa, h);
    areas.emplace_back(xb + 1, 0, w - 1 - xb, h);
    if (ya > 0)
        areas.emplace_back(xa, 0, xb - xa + 1, ya);
    if (yb < h - 1)
        areas.emplace_back(xa, yb + 1, xb - xa + 1, h - 1 - yb);
    // Drawn on a whole-size image, so that lines are cut exactly where a whole paint cuts
    // them, then copied in.
    if (m_scratch.size() != m_offscreen.size())
        m_scratch = QImage(m_offscreen.size(), QImage::Format_RGB32);
    clearBackground(m_scratch);
    // What scrolled out may have been the dense place; what scrolled in is checked here.
    m_omittedNow = m_labelsOmitted;
    if (AnyStoryActive())
        PaintAreas(m_scratch, areas, false);
    for (const QRect& a : areas)
        for (int y = a.top(); y <= a.bottom(); ++y)
            std::memcpy(m_offscreen.scanLine(y) + a.left() * 4, m_scratch.constScanLine(y) + a.left() * 4,
                        static_cast<size_t>(a.width()) * 4);
    SetLabelsOmitted(m_omittedNow);
}

void TNCAD::SetMark(double x, double y) {
    if (m_hasMark && m_markX == x && m_markY == y)
        return;
    m_hasMark = true;
    m_markX = x;
    m_markY = y;
    RepaintMoved();
}

void TNCAD::ClearMark() {
    if (!m_hasMark)
        return;
    m_hasMark = false;
    RepaintMoved();
}

const QImage& TNCAD::OffscreenImage() const { return m_hasMark ? m_marked : m_offscreen; }

void TNCAD::DrawMark() {
    // The ring goes on a copy: the picture itself stays as a pan expects to find it.
    if (!m_hasMark)
        return;
    m_marked = m_offscreen.copy();
    const double px = PixelX(m_markX), py = PixelY(m_markY);
    const int radius = std::clamp(MarkSizesFor(Scale).radius + 4, kMarkRadius, 1 << 16);
    // Far off the image there is nothing to see (and nothing Qt could raster safely).
    if (!(std::abs(px) <= kSafeLineCoord && std::abs(py) <= kSafeLineCoord))
        return;
    QPainter painter(&m_marked);
    painter.setPen(QPen(kMarkColour, kMarkPen));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(px, py), radius, radius);
}

void TNCAD::SetLabelsOmitted(bool omitted) {
    const bool was = std::exchange(m_labelsOmitted, omitted);
    if (was != omitted && OnLabelsOmittedChanged)
        OnLabelsOmittedChanged(omitted);
}

void TNCAD::DrawProjectByScan(QPainter& painter) {
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
            const TPlanXY plan = PlanPos(*point);
            const double fx = PixelX(plan.X);
            const double fy = PixelY(plan.Y);
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
                DrawPointMarker(m_offscreen, symbol.X, symbol.Y, r);
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

// ---------------------------------------------------------------- painting by index

namespace {

// Labels of the points in a label-sized cell that holds more than this many are left out:
// there they would only pile up into a blot.
constexpr int kMaxLabelsPerCell = 4;
// A label-sized cell: about a short label wide (so many text cells) and a text cell high.
constexpr int kLabelCellWidths = 3;
constexpr double kMaxDenseCells = 1 << 22;
// Pixels; a box wider or taller than this has its label cells worked out per point.
constexpr double kMaxCellLookup = 1 << 16;

// Points per label-sized cell. The cells are anchored to the world, so that a pan moves
// them with the picture and a strip drawn after a pan decides as the whole paint did.
class LabelCells {
public:
    void Reset(std::int64_t cx0, std::int64_t cy0, std::int64_t cx1, std::int64_t cy1) {
        m_x0 = cx0;
        m_y0 = cy0;
        m_w = cx1 - cx0 + 1;
        m_h = cy1 - cy0 + 1;
        m_sparse.clear();
        m_dense = m_w > 0 && m_h > 0 && double(m_w) * double(m_h) <= kMaxDenseCells;
        if (m_dense)
            m_counts.assign(static_cast<size_t>(m_w * m_h), 0);
    }
    // Counts a point in its cell; returns the cell's slot for At(), -1 when there is none.
    int Add(std::int64_t cx, std::int64_t cy) {
        if (!m_dense) {
            ++m_sparse[{cx, cy}];
            return -1;
        }
        if (!inside(cx, cy))
            return -1;
        const size_t slot = at(cx, cy);
        m_counts[slot] = static_cast<std::uint8_t>(std::min(255, m_counts[slot] + 1));
        return static_cast<int>(slot);
    }
    bool Dense() const { return m_dense; }
    // Dense cells only: the slot of a cell is Row(cy) + Column(cx), for cells of the Reset range.
    int Column(std::int64_t cx) const { return static_cast<int>(cx - m_x0); }
    int Row(std::int64_t cy) const { return static_cast<int>((cy - m_y0) * m_w); }
    void AddAt(int slot, int points) {
        std::uint8_t& count = m_counts[static_cast<size_t>(slot)];
        count = static_cast<std::uint8_t>(std::min(255, count + points));
    }
    int At(int slot) const { return m_counts[static_cast<size_t>(slot)]; }
    int Get(std::int64_t cx, std::int64_t cy) const {
        if (!m_dense) {
            const auto it = m_sparse.find({cx, cy});
            return it == m_sparse.end() ? 0 : it->second;
        }
        return inside(cx, cy) ? m_counts[at(cx, cy)] : 0;
    }

private:
    bool inside(std::int64_t cx, std::int64_t cy) const {
        return cx >= m_x0 && cx < m_x0 + m_w && cy >= m_y0 && cy < m_y0 + m_h;
    }
    size_t at(std::int64_t cx, std::int64_t cy) const { return static_cast<size_t>((cy - m_y0) * m_w + (cx - m_x0)); }

    std::int64_t m_x0 = 0, m_y0 = 0, m_w = 0, m_h = 0;
    bool m_dense = true;
    std::vector<std::uint8_t> m_counts;
    std::map<std::pair<std::int64_t, std::int64_t>, int> m_sparse;
};

// A pixel-space rectangle in doubles: what a paint looks for can reach far beyond 32 bits.
struct Span {
    double Left, Top, Right, Bottom;
    bool Holds(double x, double y) const { return x >= Left && x <= Right && y >= Top && y <= Bottom; }
};

} // namespace

void TNCAD::PaintAreas(QImage& target, const std::vector<QRect>& areas, bool whole) {
    if (!Project() || m_index.Groups().empty())
        return;
    const MarkSizes sizes = MarkSizesFor(Scale);
    const int d = sizes.offset, r = sizes.radius;
    QPainter painter(&target);
    m_labels->Begin(target, painter, sizes.textHeight);
    const int cellH = std::max(1, m_labels->CellHeight());
    const bool dots = Shows(m_layers, TPointLayer::Dots) && r > 0, ids = Shows(m_layers, TPointLayer::Ids),
               codes = Shows(m_layers, TPointLayer::Codes),
               heights = Shows(m_layers, TPointLayer::Heights),
               lines = Shows(m_layers, TPointLayer::Lines);
    const bool labels = ids || codes || heights;
    size_t chars = 0;
    if (ids)
        chars = std::max(chars, m_index.MaxIdBytes());
    if (codes)
        chars = std::max(chars, m_index.MaxCodeBytes());
    if (heights)
        chars = std::max(chars, m_index.MaxHeightChars());
    // How far what a point draws reaches from its pixel, with some slack for glyphs that
    // overhang their cell.
    const double slack = 2 + cellH / 4;
    const double reachRight =
        std::max<double>(r, labels ? d + static_cast<double>(chars) * m_labels->WidestChar() : 0) + slack;
    const double reachLeft = r + slack;
    const double reachUp = std::max(r, labels ? d : 0) + slack;
    const double reachDown = std::max(r, labels ? d + cellH : 0) + slack;

    // The label cells, from the pixel of the world origin.
    const double cw = double(kLabelCellWidths) * cellH, ch = cellH;
    const double ax = PixelX(0.0), ay = PixelY(0.0);
    const auto cellX = [&](double px) { return static_cast<std::int64_t>(std::floor((px - ax) / cw)); };
    const auto cellY = [&](double py) { return static_cast<std::int64_t>(std::floor((py - ay) / ch)); };

    // Per area: where a point must lie to touch it, and that grown to whole label cells.
    std::vector<Span> touch, counted;
    for (const QRect& a : areas) {
        const Span t{a.left() - reachRight, a.top() - reachDown, a.right() + reachLeft, a.bottom() + reachUp};
        touch.push_back(t);
        counted.push_back({ax + double(cellX(t.Left)) * cw, ay + double(cellY(t.Top)) * ch,
                           ax + double(cellX(t.Right) + 1) * cw, ay + double(cellY(t.Bottom) + 1) * ch});
    }
    const bool filter = m_culling || !whole;
    bool walkAll = !filter;
    m_candPoints.clear();
    m_candSegments.clear();
    if (filter) {
        std::vector<std::uint32_t> pts, segs;
        for (const Span& s : counted) {
            const double pad = 2 / Scale;
            if (!m_index.Query((s.Left - HalfWidth) / Scale + CenterX - pad, CenterY - (s.Bottom - HalfHeight) / Scale - pad,
                               (s.Right - HalfWidth) / Scale + CenterX + pad, CenterY - (s.Top - HalfHeight) / Scale + pad,
                               pts, segs)) {
                walkAll = true;
                break;
            }
            const size_t np = m_candPoints.size(), ns = m_candSegments.size();
            m_candPoints.insert(m_candPoints.end(), pts.begin(), pts.end());
            m_candSegments.insert(m_candSegments.end(), segs.begin(), segs.end());
            std::inplace_merge(m_candPoints.begin(), m_candPoints.begin() + np, m_candPoints.end());
            std::inplace_merge(m_candSegments.begin(), m_candSegments.begin() + ns, m_candSegments.end());
        }
        m_candPoints.erase(std::unique(m_candPoints.begin(), m_candPoints.end()), m_candPoints.end());
        m_candSegments.erase(std::unique(m_candSegments.begin(), m_candSegments.end()), m_candSegments.end());
    }
    const auto inAny = [](const std::vector<Span>& spans, double x, double y) {
        for (const Span& s : spans)
            if (s.Holds(x, y))
                return true;
        return false;
    };
    const auto onImage = [](double v) { return std::abs(v) <= kPixelLimit; };

    // First the pixels of the points a paint may draw, and the label cells counted over
    // every point of each cell that matters.
    constexpr int kOff = std::numeric_limits<int>::min(); // off the image or not a number
    LabelCells cells;
    Span box = counted.front();
    for (const Span& s : counted)
        box = {std::min(box.Left, s.Left), std::min(box.Top, s.Top), std::max(box.Right, s.Right),
               std::max(box.Bottom, s.Bottom)};
    if (labels)
        cells.Reset(cellX(box.Left), cellY(box.Top), cellX(box.Right), cellY(box.Bottom));
    // The label cell of each pixel column and row of the box, looked up rather than worked
    // out per point; the same floor as cellX/cellY, so the same cells.
    const bool lookup = labels && cells.Dense() && box.Right - box.Left < kMaxCellLookup &&
                        box.Bottom - box.Top < kMaxCellLookup;
    const std::int64_t bx0 = lookup ? static_cast<std::int64_t>(std::ceil(box.Left)) : 0;
    const std::int64_t by0 = lookup ? static_cast<std::int64_t>(std::ceil(box.Top)) : 0;
    m_cellCols.clear();
    m_cellRows.clear();
    if (lookup) {
        for (std::int64_t x = bx0; double(x) <= box.Right; ++x)
            m_cellCols.push_back(cells.Column(cellX(double(x))));
        for (std::int64_t y = by0; double(y) <= box.Bottom; ++y)
            m_cellRows.push_back(cells.Row(cellY(double(y))));
    }
    const bool oneArea = counted.size() == 1; // then the box is the area
    const size_t candidates = walkAll ? m_index.Size() : m_candPoints.size();
    m_paint.resize(candidates);
    // Neighbouring points of a walk share their cell: counted as a run, so that one count is
    // not read and written again for each of them.
    int runSlot = -1, run = 0;
    for (size_t k = 0; k < candidates; ++k) {
        const std::uint32_t i = walkAll ? static_cast<std::uint32_t>(k) : m_candPoints[k];
        const double px = PixelX(m_index.X(i)), py = PixelY(m_index.Y(i));
        PaintPoint& c = m_paint[k];
        c.Slot = -1;
        if (!(onImage(px) && onImage(py))) {
            c.X = c.Y = kOff;
            continue;
        }
        c.X = static_cast<int>(px);
        c.Y = static_cast<int>(py);
        if (!(labels && box.Holds(px, py) && (oneArea || inAny(counted, px, py))))
            continue;
        if (!lookup) {
            c.Slot = cells.Add(cellX(px), cellY(py));
            continue;
        }
        c.Slot = m_cellRows[static_cast<size_t>(c.Y - by0)] + m_cellCols[static_cast<size_t>(c.X - bx0)];
        if (c.Slot != runSlot) {
            if (run > 0)
                cells.AddAt(runSlot, run);
            runSlot = c.Slot, run = 0;
        }
        ++run;
    }
    if (run > 0)
        cells.AddAt(runSlot, run);

    // Then everything is drawn in the job's order: group by group its points (ID, code,
    // dot, height), then its line.
    const size_t pixels = static_cast<size_t>(target.width()) * static_cast<size_t>(target.height());
    if (m_dotStamp.size() != pixels)
        m_dotStamp.assign(pixels, 0), m_dotRun = 0;
    // A dot drawn again on the pixel of one before it, with nothing drawn in between that
    // could cover it, changes nothing: such runs are cut by every label.
    const auto newRun = [&] {
        if (++m_dotRun == 0) {
            std::fill(m_dotStamp.begin(), m_dotStamp.end(), 0);
            m_dotRun = 1;
        }
    };
    const int w = target.width(), h = target.height();
    const auto drawPoint = [&](size_t k, const TPlanIndex::Group& group, LabelPainter::Prepared& code,
                               bool& codeReady) {
        const PaintPoint& c = m_paint[k];
        if (c.X == kOff)
            return;
        const TPointSymbol<int> symbol{c.X, c.Y, d};
        if (filter && !inAny(touch, symbol.X, symbol.Y))
            return;
        const bool inside = symbol.X >= 0 && symbol.X < w && symbol.Y >= 0 && symbol.Y < h;
        const int slot = c.Slot;
        const bool withLabels =
            labels && (slot >= 0 ? cells.At(slot) : cells.Get(cellX(symbol.X), cellY(symbol.Y))) <= kMaxLabelsPerCell;
        if (!withLabels) {
            m_omittedNow = m_omittedNow || (labels && inside);
            if (!dots)
                return;
            if (inside) {
                std::uint32_t& stamp = m_dotStamp[static_cast<size_t>(symbol.Y) * static_cast<size_t>(w) +
                                                  static_cast<size_t>(symbol.X)];
                if (stamp == m_dotRun)
                    return;
                stamp = m_dotRun;
            }
            DrawPointMarker(target, symbol.X, symbol.Y, r);
            return;
        }
        const TBasePoint3D& point = m_index.Point(walkAll ? static_cast<std::uint32_t>(k) : m_candPoints[k]);
        if (ids)
            m_labels->Draw(symbol.LabelLeft(), symbol.IdTop(), point.ID);
        if (codes) {
            if (!codeReady)
                code = m_labels->Prepare(group.Item->Code()), codeReady = true;
            m_labels->Draw(symbol.LabelLeft(), symbol.CodeTop(), code);
        }
        if (dots)
            DrawPointMarker(target, symbol.X, symbol.Y, r);
        if (heights) {
            if (const std::string_view z = m_heightText(point.Z); !z.empty())
                m_labels->Draw(symbol.LabelLeft(), symbol.HeightTop(), z);
        }
        newRun();
    };
    const QRgb lineRgb = kLineColour.rgb();
    auto* bits = reinterpret_cast<QRgb*>(target.bits());
    const auto stride = static_cast<ptrdiff_t>(target.bytesPerLine() / 4);
    const auto nearAreas = [&](double x0, double y0, double x1, double y1) {
        if (!filter)
            return true;
        for (const QRect& a : areas)
            if (!(std::max(x0, x1) < a.left() - kLineSlack || std::min(x0, x1) > a.right() + kLineSlack ||
                  std::max(y0, y1) < a.top() - kLineSlack || std::min(y0, y1) > a.bottom() + kLineSlack))
                return true;
        return false;
    };
    const auto drawPixelSegment = [&](std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
        if (nearAreas(double(x0), double(y0), double(x1), double(y1)))
            DrawPixelSegment(bits, stride, w, h, lineRgb, x0, y0, x1, y1);
    };
    const auto drawSegment = [&](std::uint32_t b) {
        double x0 = PixelX(m_index.X(b - 1)), y0 = PixelY(m_index.Y(b - 1));
        double x1 = PixelX(m_index.X(b)), y1 = PixelY(m_index.Y(b));
        if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
            return;
        if (std::max({std::abs(x0), std::abs(y0), std::abs(x1), std::abs(y1)}) > kSafeLineCoord) {
            // Cut to near the image first; such a segment runs from far off the picture.
            if (!nearAreas(x0, y0, x1, y1) ||
                !clipSegment(x0, y0, x1, y1, -16, -16, w - 1 + kLineSlack + 16, h - 1 + kLineSlack + 16))
                return;
            x0 = std::nearbyint(x0), y0 = std::nearbyint(y0), x1 = std::nearbyint(x1), y1 = std::nearbyint(y1);
        }
        drawPixelSegment(static_cast<std::int64_t>(x0), static_cast<std::int64_t>(y0), static_cast<std::int64_t>(x1),
                         static_cast<std::int64_t>(y1));
    };
    const auto& groups = m_index.Groups();
    size_t pi = 0, si = 0;
    size_t g = 0;
    while (true) {
        if (walkAll) {
            if (g >= groups.size())
                break;
        } else {
            const std::uint32_t none = std::numeric_limits<std::uint32_t>::max();
            const std::uint32_t next = std::min(pi < m_candPoints.size() ? m_candPoints[pi] : none,
                                                si < m_candSegments.size() ? m_candSegments[si] : none);
            if (next == none)
                break;
            g = static_cast<size_t>(std::upper_bound(groups.begin(), groups.end(), next,
                                                     [](std::uint32_t v, const TPlanIndex::Group& x) { return v < x.First; }) -
                                    groups.begin()) - 1;
        }
        const TPlanIndex::Group& group = groups[g];
        const std::uint32_t end = group.First + group.Count;
        LabelPainter::Prepared code;
        bool codeReady = false;
        newRun();
        if (walkAll) {
            for (std::uint32_t i = group.First; i < end; ++i) {
                // Where labels are left out and dots too small to draw, a point draws nothing
                // once the leaving out is noted: so in most of a big job seen whole.
                const PaintPoint& c = m_paint[i];
                if (c.X == kOff || (!dots && (!labels || (m_omittedNow && c.Slot >= 0 &&
                                                          cells.At(c.Slot) > kMaxLabelsPerCell))))
                    continue;
                drawPoint(i, group, code, codeReady);
            }
        } else {
            for (; pi < m_candPoints.size() && m_candPoints[pi] < end; ++pi)
                drawPoint(pi, group, code, codeReady);
        }
        const bool drawLine = lines && group.Line;
        if (walkAll) {
            if (drawLine)
                for (std::uint32_t b = group.First + 1; b < end; ++b) {
                    // Points on the image have their pixels already; the rest are worked out.
                    const PaintPoint &a = m_paint[b - 1], &c = m_paint[b];
                    if (a.X != kOff && c.X != kOff && std::abs(a.X) <= kSafeLineCoord &&
                        std::abs(c.X) <= kSafeLineCoord && std::abs(a.Y) <= kSafeLineCoord &&
                        std::abs(c.Y) <= kSafeLineCoord) {
                        // A whole paint needs no test for nearness: the drawer cuts at the image.
                        if (whole)
                            DrawPixelSegment(bits, stride, w, h, lineRgb, a.X, a.Y, c.X, c.Y);
                        else
                            drawPixelSegment(a.X, a.Y, c.X, c.Y);
                    } else {
                        drawSegment(b);
                    }
                }
        } else {
            for (; si < m_candSegments.size() && m_candSegments[si] < end; ++si)
                if (drawLine)
                    drawSegment(m_candSegments[si]);
        }
        ++g;
    }
    m_labels->End();
}
