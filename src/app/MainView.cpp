#include "app/Main.h"

#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "view/NCAD.h"

#include <QEvent>
#include <QLabel>

namespace {

// Keeps a panel in its parent's lower right corner as the parent is resized.
class CornerKeeper : public QObject {
public:
    explicit CornerKeeper(QWidget* panel) : QObject(panel), m_panel(panel) {
        panel->parentWidget()->installEventFilter(this);
        place();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    void place() {
        constexpr int kMargin = 4; // pixels from the view's edges
        const QWidget* parent = m_panel->parentWidget();
        m_panel->move(parent->width() - m_panel->width() - kMargin,
                      parent->height() - m_panel->height() - kMargin);
    }

    QWidget* m_panel;
};

} // namespace

void TMainForm::WireViewCommands() {
    ConnectCommand(btnFix, &TMainForm::btnFixClick);
    ConnectCommand(btnZoomIn, &TMainForm::btnZoomInClick);
    ConnectCommand(btnZoomOut, &TMainForm::btnZoomOutClick);
    ConnectCommand(btnAddPoint, &TMainForm::btnAddPointClick);
    connect(LayerListBox, &TCheckList::Click, this,
            [this] { RunGuarded([this] { LayerListBoxClick(); }); });
    // The view runs its event handlers guarded itself.
    NCAD1->OnMouseUp = [this](Qt::MouseButton button) { NCAD1MouseUp(button); };
    NCAD1->OnMouseWheel = [this](int delta) { NCAD1MouseWheel(delta); };
    // Says so while the view leaves labels out where they would pile up unreadably. It lies in
    // the view's lower right corner rather than in the status bar, which is full at the start
    // size: a wider status bar narrows the view, and a narrower view paints its picture again.
    auto* omitted = new QLabel(QString::fromUtf8("라벨 일부 생략"), NCAD1->viewport());
    omitted->setObjectName("LabelsOmittedPanel");
    omitted->setFrameShape(QFrame::Panel);
    omitted->setFrameShadow(QFrame::Sunken);
    omitted->setAutoFillBackground(true);
    omitted->adjustSize();
    omitted->setVisible(false);
    new CornerKeeper(omitted);
    NCAD1->OnLabelsOmittedChanged = [omitted](bool on) { omitted->setVisible(on); };
}

void TMainForm::btnFixClick() { NCAD1->ZoomExtents(); }

void TMainForm::btnZoomInClick() { NCAD1->ZoomIn(); }

void TMainForm::btnZoomOutClick() { NCAD1->ZoomOut(); }

void TMainForm::btnAddPointClick() { NCAD1->MouseMode = mmAddPoint; }

void TMainForm::LayerListBoxClick() {
    const int index = LayerListBox->ItemIndex();
    if (index >= 0 && index <= 4)
        NCAD1->SetLayerVisible(index + 1, LayerListBox->Checked(index));
}

void TMainForm::NCAD1MouseUp(Qt::MouseButton) { NCAD1->MouseDown = false; }

void TMainForm::NCAD1MouseWheel(int delta) {
    // Wheel zoom keeps the view centre; it also gives drag panning back.
    NCAD1->MouseMode = mmPan;
    // The zoom and the repaint after it make one paint: at a large job a paint is what the
    // user waits for.
    TBasicNCAD::RepaintBatch batch(*NCAD1);
    if (delta > 0)
        NCAD1->ZoomIn();
    else
        NCAD1->ZoomOut();
    NCAD1->Repaint();
}
