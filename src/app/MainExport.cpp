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
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QToolButton>

#include <algorithm>

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
    // The window stays at hand while the office fills the sheet; once that takes a while,
    // this says how far it has got and can stop it.
    const int rows = NiceGrid1->RowCount();
    auto* progress = new QProgressDialog(QString::fromUtf8("스프레드시트로 옮기는 중입니다..."),
                                         QString::fromUtf8("취소"), 0, std::max(rows, 1), this);
    progress->setObjectName("ExcelExportProgress");
    progress->setWindowTitle(windowTitle());
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(700);
    progress->setValue(0);
    connect(m_excelExport, &TSpreadsheetExport::RowsCopied, progress, [progress, rows](int done) {
        progress->setValue(std::min(done, rows));
        if (done >= rows)
            progress->setLabelText(QString::fromUtf8("마무리하는 중입니다..."));
    });
    connect(progress, &QProgressDialog::canceled, m_excelExport, &TSpreadsheetExport::Cancel);
    connect(m_excelExport, &TSpreadsheetExport::Finished, progress, &QObject::deleteLater);
}

void TMainForm::ExcelExportFinished() {
    QApplication::restoreOverrideCursor();
    btnExcelExport->setEnabled(true);
    SyncMenuStates();
    if (m_excelExport->Cancelled()) {
        MsgStr->appendPlainText(QString::fromUtf8("스프레드시트로 옮기기를 취소했습니다. LibreOffice의 새 문서에는 "
                                                  "그때까지 옮긴 행이 남아 있습니다."));
        return;
    }
    RunGuarded([this] { m_excelExport->CheckResult(); });
}
