#pragma once

#include "model/AxisOrder.h"
#include "view/PointSymbol.h"
#include "view/ViewMapping.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class LabelPainter;
class QPainter;
class TNCADProject;
class TPoint3D;
class TBasePoint3D;
class TProjectManager;

// What the next left press in the view does. mmAddPoint and mmSendPoint are one-shot: a
// press consumes them and leaves mmNone.
enum TMouseMode : std::uint8_t { mmNone, mmAddPoint, mmSendPoint, mmPan };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// The job's X and Y of the pressed pixel.
using TOnAddedPoint = std::function<void(double dx, double dy)>;
using TOnSendAddedPoint = std::function<void(double dx, double dy)>;

// The base control: the world <-> pixel mapping (public fields of ViewMapping: MinX..MaxY,
// Scale, CenterX, CenterY, HalfWidth, HalfHeight), zooming and panning. The client area is
// the scroll area's viewport; Width/Height of a fit are the outer size, scroll bars included.
class TBasicNCAD : public QAbstractScrollArea, public ViewMapping {
    Q_OBJECT
public:
    explicit TBasicNCAD(QWidget* parent = nullptr);

    using ViewMapping::FitView;
    // Fits to the current extents at the control's outer size. Does not repaint.
    void FitView() { FitView(width(), height()); }
    // 0: left (CenterX decreases), 1: right, 2: CenterY increases, 3: CenterY decreases.
    void Pan(int direction, double distance);
    // Zoom about the centre pixel; ZoomIn stops at Scale 70000 (and then does not repaint).
    void ZoomIn();
    void ZoomOut();
    // No repaint: the caller repaints.
    virtual void SetCenter(double x, double y);
    // Paints the view now, synchronously (nothing when it is not visible).
    void Repaint();

    // Raised for a released button over the view and for a vertical wheel turn (delta in
    // eighths of a degree, positive away from the user).
    std::function<void(Qt::MouseButton button)> OnMouseUp;
    std::function<void(int delta)> OnMouseWheel;
    // The world point under the pointer whenever it moves over the view or the drawing moves
    // under it (wheel); what a press at that pixel would report. Leave: the pointer left.
    std::function<void(double x, double y)> OnPointerMove;
    std::function<void()> OnPointerLeave;

protected:
    // Holds repaints back while several mapping steps make one move; repaints once at the end.
    class RepaintBatch {
    public:
        explicit RepaintBatch(TBasicNCAD& view) : m_view(view) { ++m_view.m_batchDepth; }
        ~RepaintBatch();
        RepaintBatch(const RepaintBatch&) = delete;
        RepaintBatch& operator=(const RepaintBatch&) = delete;

    private:
        TBasicNCAD& m_view;
    };

    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Raises OnPointerMove for the client pixel `pos`.
    void ReportPointer(const QPoint& pos);
    // The bars do not scroll contents: the view handles their arrows itself.
    void scrollContentsBy(int, int) override {}

private:
    int m_batchDepth = 0;
    bool m_repaintPending = false;
};

// A drawing surface of the view. The view keeps exactly one, on its off-screen image.
struct TNCADStory {
    bool Active = true;
    QImage* Canvas = nullptr; // not owned
};

// The plan view. It owns the project manager and with it every project, group and point,
// and draws project 0 in five layers (TPointLayer): 1 dots, 2 point IDs, 3 codes, 4 heights,
// 5 code lines.
class TNCAD : public TBasicNCAD {
    Q_OBJECT
public:
    explicit TNCAD(QWidget* parent = nullptr);
    ~TNCAD() override;

    TProjectManager* ProjectManager() const { return m_projectManager.get(); }

    // What the job's X holds. The view's world is the plan, easting to the right and
    // northing up, whichever it is; the owner fits and repaints after a change.
    TAxisOrder AxisOrder() const { return m_axes; }
    void SetAxisOrder(TAxisOrder axes) { m_axes = axes; }
    // Where a point stands in the view's world. Every position the view draws or fits is
    // read here, so that the job's axes are taken in this one place.
    TEastNorth PlanPos(const TBasePoint3D& point) const;
    // Project 0, the one the program works on; null before the main window registers it.
    TNCADProject* Project() const;

    bool FindPoint(const std::string& code, double x, double y, double z, int& itemIndex,
                   int& pointIndex) const;
    void FindPointAt(int& itemIndex, int& pointIndex, double x, double y, double z) const;

    // Fit to all points of project 0 with a tenth of the span as margin, then paint.
    void ZoomExtents();
    // Widens MinX..MaxY over all points, adds the margins and fits; no paint.
    void ComputeExtents();
    void SetCenter(double x, double y) override;

    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);
    // Keeps the horizontal thumb in the middle: only its arrows move the view.
    void UpdateHorzScrollBar();

    TOnAddedPoint OnAddedPoint;
    TOnSendAddedPoint OnSendAddedPoint;
    // A left press that is not armed to add (mmNone, mmPan) and lands within kPickRadius
    // pixels of a point's dot reports that point; a drag from there still pans.
    std::function<void(const TPoint3D* point)> OnPointPicked;

    // The selected point: a ring in a colour of its own, drawn over all layers at the world
    // point (x, y). Repaints.
    void SetMark(double x, double y);
    void ClearMark();
    bool HasMark() const { return m_hasMark; }

    // Layers 1 to 5; setting one invalidates the view (the redraw follows).
    bool LayerVisible(int layer) const;
    void SetLayerVisible(int layer, bool visible);
    bool Layer1Visible() const { return LayerVisible(1); }
    bool Layer2Visible() const { return LayerVisible(2); }
    bool Layer3Visible() const { return LayerVisible(3); }
    bool Layer4Visible() const { return LayerVisible(4); }
    bool Layer5Visible() const { return LayerVisible(5); }
    void SetLayer1Visible(bool v) { SetLayerVisible(1, v); }
    void SetLayer2Visible(bool v) { SetLayerVisible(2, v); }
    void SetLayer3Visible(bool v) { SetLayerVisible(3, v); }
    void SetLayer4Visible(bool v) { SetLayerVisible(4, v); }
    void SetLayer5Visible(bool v) { SetLayerVisible(5, v); }

    // Read and written by the owner: the main window clears MouseDown on mouse-up.
    TMouseMode MouseMode = mmPan;
    bool MouseDown = false;
    int LastMouseX = 0; // client pixels of the last press or pan step
    int LastMouseY = 0;

    int AddStory();
    TNCADStory* GetStory(int index) const;
    // Removes a valid story (CurrentStory goes back to 0) and repaints in any case.
    bool DeleteStory(int index);
    int CurrentStory = 0;

    // Draws the picture into the off-screen image at the client size. Every paint does this
    // first and then copies the part of the image the window system asks for.
    void RenderOffscreen();
    const QImage& OffscreenImage() const { return m_offscreen; }
    // For tests: draw everything, even what lies wholly outside the image.
    void SetCulling(bool on) { m_culling = on; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct PixelPoint {
        double x;
        double y;
    };

    void HorzScroll(int action);
    void VertScroll(int action);
    bool IsTopmostAt(const QPoint& globalPos) const;
    void RaisePointEvent(const QPoint& pos);
    // One step of a drag: keeps the world point under the pointer.
    void PanTo(const QPoint& pos);
    void DrawMark(QPainter& painter);

    void ClearBackground();
    void DrawProject(QPainter& painter);
    void DrawPointMarker(int px, int py, int radius);
    void DrawPolyline(QPainter& painter, const PixelPoint* points, int count);
    void ClearStories();

    std::unique_ptr<TProjectManager> m_projectManager;
    TScrollStyle m_scrollBars = ssBoth;
    TPointLayers m_layers = {true, true, true, true, true};
    QImage m_offscreen;
    std::vector<std::unique_ptr<TNCADStory>> m_stories;
    std::unique_ptr<LabelPainter> m_labels;
    std::vector<PixelPoint> m_pixels; // one group's pixel positions, reused between paints
    THeightText m_heightText;
    bool m_culling = true;
    bool m_middleDrag = false; // the middle button pans in every mode
    bool m_hasMark = false;
    double m_markX = 0; // world units
    double m_markY = 0;
    TAxisOrder m_axes = TAxisOrder::XEast;
};
