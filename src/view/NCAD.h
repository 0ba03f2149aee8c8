#pragma once

#include "model/AxisOrder.h"
#include "model/Point3D.h"
#include "view/PlanIndex.h"
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
class QTimer;
class TNCADProject;
class TPoint3D;
class TBasePoint3D;
class TProjectManager;

// What the next left press in the view does. mmAddPoint and mmSendPoint are one-shot: a
// press consumes them and leaves mmNone.
enum TMouseMode : std::uint8_t { mmNone, mmAddPoint, mmSendPoint, mmPan };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
// Where the window's picture stands: drawn whole, being drawn in pieces, or left part drawn
// because the user cancelled it.
enum class TPictureState : std::uint8_t { Complete, Drawing, Cancelled };

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
    // Paints the view now, synchronously (nothing when it is not visible). The job may have
    // changed: the paint checks it against what it drew last.
    void Repaint();

    // Raised for a released button over the view and for a vertical wheel turn (delta in
    // eighths of a degree, positive away from the user).
    std::function<void(Qt::MouseButton button)> OnMouseUp;
    std::function<void(int delta)> OnMouseWheel;
    // The world point under the pointer whenever it moves over the view or the drawing moves
    // under it (wheel); what a press at that pixel would report. Leave: the pointer left.
    std::function<void(double x, double y)> OnPointerMove;
    std::function<void()> OnPointerLeave;

    // Holds repaints back while several steps make one move; repaints once at the end (a
    // Repaint() asked meanwhile still checks the job in that paint).
    class RepaintBatch {
    public:
        explicit RepaintBatch(TBasicNCAD& view) : m_view(view) { ++m_view.m_batchDepth; }
        ~RepaintBatch();
        RepaintBatch(const RepaintBatch&) = delete;
        RepaintBatch& operator=(const RepaintBatch&) = delete;

    private:
        TBasicNCAD& m_view;
    };

protected:
    // A repaint after a move of the view alone: the job is as it was.
    void RepaintMoved();
    // Whether a Repaint() asked since the last call to check the job; clears the request.
    bool TakeJobCheck();

    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Raises OnPointerMove for the client pixel `pos`.
    void ReportPointer(const QPoint& pos);
    // The bars do not scroll contents: the view handles their arrows itself.
    void scrollContentsBy(int, int) override {}

private:
    void RepaintNow();

    int m_batchDepth = 0;
    bool m_repaintPending = false;
    bool m_jobCheck = true;
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

    // Where a point lies on the plan: easting and northing, whichever the job's X holds. Every
    // position the view draws, fits or searches is read here, so the axes are taken in one place.
    TPlanXY PlanPos(const TBasePoint3D& p) const {
        const TEastNorth plan = ToEastNorth(p.X, p.Y, m_axes);
        return {plan.E, plan.N};
    }

    // Draws the whole picture into the off-screen image at the client size, from the job as
    // it is now.
    void RenderOffscreen();
    // Brings the image up to date with the mapping, as every paint does before it copies the
    // part the window system asks for: after a pan by whole pixels the picture is moved and
    // only the uncovered part drawn; a paint with nothing changed draws nothing.
    // `checkJob`: the job may have changed since the last paint.
    void UpdateOffscreen(bool checkJob);
    // The picture as the window shows it, the selected point's ring included.
    const QImage& OffscreenImage() const;
    // For tests: draw everything, even what lies wholly outside the image.
    void SetCulling(bool on);
    // For comparison: every paint walks the whole job and draws every point, as simple as
    // it gets (no index, every dot, every label).
    void SetFullScan(bool on);

    // Where the job is so dense that labels would pile up unreadably, the view leaves them
    // out; true while the picture shows such a place.
    bool LabelsOmitted() const { return m_labelsOmitted; }
    std::function<void(bool omitted)> OnLabelsOmittedChanged;

    // A window paint that would visit more than a threshold of points and segments (only
    // multi-million-point jobs reach it) is drawn in horizontal bands, one per turn of the
    // event loop: the window shows what is drawn so far and takes input meanwhile, and a
    // zoom, pan, resize or job change starts the picture again for the new state. The
    // off-screen calls above always draw the whole picture at once.
    TPictureState PictureState() const;
    int PictureProgress() const; // percent drawn while Drawing
    // Stops the bands: the window keeps what is drawn until the view moves or the job changes.
    void CancelPicture();
    // Raised when drawing in bands starts, after each band, at the end and on a cancel.
    std::function<void(TPictureState state, int percent)> OnPictureProgress;
    // For tests: the cost (points plus segments to visit) above which a window paint goes in
    // bands, and the cost of one band.
    void SetPieceCosts(std::size_t threshold, std::size_t perBand);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

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
    void DrawMark();

    // What the image shows now, to tell what a paint has to redraw.
    struct Drawn {
        bool Valid = false;
        double Scale = 0, CenterX = 0, CenterY = 0;
        int HalfWidth = 0, HalfHeight = 0;
        QSize Size;
    };

    // Brings the index up to date with the job; true when it changed.
    // `deferGrid`: a changed job's grid may be left to the bands' steps.
    bool SyncIndex(bool deferGrid = false);
    const TPlanIndex& SyncedIndex();
    void EnsureClientSize();
    // `inBands`: a window paint, which may leave a long picture to the bands.
    void UpdatePicture(bool checkJob, bool inBands = false);
    // The picture and the bands in progress no longer show what the view would draw.
    void InvalidatePicture();
    void DrawProjectByScan(QPainter& painter);
    void DrawPolyline(QPainter& painter, const PixelPoint* points, int count);
    void ClearStories();
    bool AnyStoryActive() const;
    void RenderWhole();
    void ShiftPicture(int dx, int dy);
    void PaintAreas(QImage& target, const std::vector<QRect>& areas, bool whole);
    void SetLabelsOmitted(bool omitted);

    // Drawing in bands (NCADPieces.cpp).
    struct Pieces {
        Drawn For; // the state being drawn; valid while drawing or cancelled
        bool Active = false;
        int Next = 0, Count = 0;
        std::vector<int> Rows; // where the bands begin, and the image's height
        bool Omitted = false;
        bool IndexPending = false; // the index is still being built, in steps of its own
    };
    bool SameMapping(const Drawn& d) const;
    // Of the picture, and of its rows [y0, y1).
    std::size_t PictureCost() const;
    std::size_t PictureCost(int y0, int y1) const;
    void PlanBands();
    void StartPieces();
    void StopPieces();
    void PaintNextPiece();
    void ReportPieces();
    Pieces m_pieces;
    QTimer* m_pieceTimer = nullptr;
    // Points plus segments: a million-point job (two million with its lines, some 60 ms on
    // an office PC) is drawn at once; a band is a few tens of milliseconds.
    std::size_t m_pieceThreshold = 3'000'000;
    std::size_t m_pieceCost = 2'000'000;

    std::unique_ptr<TProjectManager> m_projectManager;
    TScrollStyle m_scrollBars = ssBoth;
    TPointLayers m_layers = {true, true, true, true, true};
    QImage m_offscreen;
    std::vector<std::unique_ptr<TNCADStory>> m_stories;
    std::unique_ptr<LabelPainter> m_labels;
    std::vector<PixelPoint> m_pixels; // one group's pixel positions, reused between paints
    THeightText m_heightText;
    bool m_culling = true;
    bool m_fullScan = false;
    TPlanIndex m_index;
    Drawn m_drawn;
    QImage m_scratch; // the uncovered part of a pan, or a band, is drawn here first
    std::vector<std::uint32_t> m_dotStamp; // per pixel: the run that last drew a dot there
    std::uint32_t m_dotRun = 0;
    bool m_labelsOmitted = false;
    bool m_omittedNow = false; // gathered while a paint draws
    std::vector<std::uint32_t> m_candPoints, m_candSegments; // what a paint may draw
    // The pixel of each point a paint may draw, and where its label cell is counted (-1: not).
    struct PaintPoint {
        int X, Y, Slot;
    };
    std::vector<PaintPoint> m_paint;
    std::vector<int> m_cellCols, m_cellRows; // label cell slots by pixel column and row
    bool m_middleDrag = false; // the middle button pans in every mode
    bool m_hasMark = false;
    double m_markX = 0; // world units
    double m_markY = 0;
    TAxisOrder m_axes = TAxisOrder::XEast;
    QImage m_marked; // the picture with the ring, while there is one
};
