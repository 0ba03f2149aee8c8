#include "app/Main.h"

#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "view/NCAD.h"

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
    if (delta > 0)
        NCAD1->ZoomIn();
    else
        NCAD1->ZoomOut();
    NCAD1->Repaint();
}
