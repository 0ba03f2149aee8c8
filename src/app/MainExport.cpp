#include "app/Main.h"

#include "app/PlotForm.h"
#include "io/CalcBlock.h"
#include "io/SpreadsheetExport.h"
#include "io/forms/DXFFormUnit.h"
#include "model/PlanProject.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>

void TMainForm::WireExportCommands() {
    ConnectCommand(btnDXFExport, &TMainForm::btnDXFExportClick);
    ConnectCommand(btnExcelExport, &TMainForm::btnExcelExportClick);
    connect(N10, &QAction::triggered, this, [this] { RunGuarded([this] { N10Click(); }); });
}

void TMainForm::btnDXFExportClick() {
    // The drawing is repainted after the dialog however it ends.
    struct RepaintAfter {
        TNCAD* view;
        ~RepaintAfter() { view->Repaint(); }
    } repaint{NCAD1};
    // Easting to group 10 whatever the job's X holds, as the view draws it.
    const TPlanProject plan(*Project, NCAD1->AxisOrder());
    TDXFForm form(this, *plan, TDXFExtents{NCAD1->MinX, NCAD1->MinY, NCAD1->MaxX, NCAD1->MaxY});
    form.exec();
}

void TMainForm::N10Click() {
    const TPlanProject plan(*Project, NCAD1->AxisOrder()); // north up
    TPlotForm form(this, *plan,
                   {NCAD1->Layer1Visible(), NCAD1->Layer2Visible(), NCAD1->Layer3Visible(),
                    NCAD1->Layer4Visible(), NCAD1->Layer5Visible()},
                   JobFile);
    form.exec();
}

namespace {

// The table as it stands, cell texts unchanged, first point in row 1, no title row. X, Y and
// Z go as numbers, so that the sheet can sum them; IDs and codes as text ("007" stays).
std::string tableBlock(const TNiceGrid& grid) {
    const int rows = grid.RowCount();
    const int cols = grid.ColCount();
    std::string kinds(static_cast<size_t>(cols), CalcBlock::kText);
    for (int c = 0; c < cols; ++c) {
        const QString title = grid.model()->headerData(c, Qt::Horizontal).toString();
        if (title == "X" || title == "Y" || title == "Z")
            kinds[static_cast<size_t>(c)] = CalcBlock::kNumber;
    }
    CalcBlock::Writer block(rows, cols, kinds);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            block.Add(grid.CellUtf8(c, r));
    return block.Take();
}

} // namespace

void TMainForm::btnExcelExportClick() {
    if (m_excelExport && m_excelExport->Running())
        return;
    if (!m_excelExport) {
        m_excelExport = new TSpreadsheetExport(this);
        connect(m_excelExport, &TSpreadsheetExport::Finished, this,
                &TMainForm::ExcelExportFinished);
    }
    std::string block = tableBlock(*NiceGrid1);

    btnExcelExport->setEnabled(false);
    SyncMenuStates();
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        m_excelExport->Start(std::move(block));
    } catch (...) {
        QApplication::restoreOverrideCursor();
        btnExcelExport->setEnabled(true);
        SyncMenuStates();
        throw;
    }
}

void TMainForm::ExcelExportFinished() {
    QApplication::restoreOverrideCursor();
    btnExcelExport->setEnabled(true);
    SyncMenuStates();
    RunGuarded([this] { m_excelExport->CheckResult(); });
}
