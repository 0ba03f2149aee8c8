#include "app/Main.h"

#include "io/DXFFormUnit.h"
#include "view/NCAD.h"

void TMainForm::WireExportCommands() {
    ConnectCommand(btnDXFExport, &TMainForm::btnDXFExportClick);
}

void TMainForm::btnDXFExportClick() {
    // The drawing is repainted after the dialog however it ends.
    struct RepaintAfter {
        TNCAD* view;
        ~RepaintAfter() { view->Repaint(); }
    } repaint{NCAD1};
    TDXFForm form(this, *Project, TDXFExtents{NCAD1->MinX, NCAD1->MinY, NCAD1->MaxX, NCAD1->MaxY});
    form.exec();
}
