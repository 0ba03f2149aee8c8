#include "app/Main.h"

#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "view/NCAD.h"

#include <QLabel>
#include <QStatusBar>

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
    // Says so while the view leaves labels out where they would pile up unreadably.
    auto* omitted = new QLabel(QString::fromUtf8("라벨 일부 생략"), StatusBar1);
    omitted->setObjectName("LabelsOmittedPanel");
    omitted->setFrameShape(QFrame::Panel);
    omitted->setFrameShadow(QFrame::Sunken);
    omitted->setVisible(false);
    StatusBar1->addPermanentWidget(omitted);
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
