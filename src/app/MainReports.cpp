#include "app/Main.h"

#include "app/MeasurePanel.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "model/Measure.h"
#include "model/NCADProject.h"
#include "report/SurveyReports.h"
#include "report/forms/ReportForm.h"
#include "survey/AreaSheet.h"
#include "survey/Observations.h"
#include "survey/TraverseRoute.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/NiceGrid.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace {

// Table columns.
enum { kColCode = 4 };

// 좌표 성과표 of the table as it stands, rows in their order.
void pointReport(TMainForm& form) {
    const TNiceGrid& grid = *form.NiceGrid1;
    if (grid.RowCount() == 0) {
        Dialogs::ShowMessage("표에 측점이 없습니다.");
        return;
    }
    std::vector<TPointRow> rows(static_cast<size_t>(grid.RowCount()));
    for (int r = 0; r < grid.RowCount(); ++r)
        for (int c = 0; c < 5; ++c)
            rows[static_cast<size_t>(r)][static_cast<size_t>(c)] = std::string(grid.CellUtf8(c, r));
    TReportForm dialog(&form, PointListReport(std::move(rows), PlotTitle::ForJob(form.JobFile)), form.JobFile);
    dialog.exec();
}

// 좌표 면적 계산부 of a code group: the selected row's, else the first that is closed; the
// dialog offers every group of three or more points. A group marked closed in the status
// bar is taken as closed here too.
void areaReport(TMainForm& form) {
    const TNCADProject& project = *form.Project;
    const TMeasurePanel& panel = *form.MeasurePanel;
    std::vector<std::string> codes;
    int current = -1;
    for (const auto& group : project) {
        if (group->Points.Count() < 3)
            continue;
        if (current < 0 && MeasureGroup(*group, panel.MarkedClosed(group->Code())).Closed)
            current = static_cast<int>(codes.size());
        codes.push_back(group->Code());
    }
    if (codes.empty()) {
        Dialogs::ShowMessage("면적을 계산할 코드가 없습니다: 측점이 셋 이상인 코드가 필요합니다.");
        return;
    }
    if (const int row = form.NiceGrid1->SelectedRow(); row >= 0) {
        const auto selected = std::find(codes.begin(), codes.end(), std::string(form.NiceGrid1->CellUtf8(kColCode, row)));
        if (selected != codes.end())
            current = static_cast<int>(selected - codes.begin());
    }
    const PlotTitle title = PlotTitle::ForJob(form.JobFile);
    TReportForm dialog(&form, "좌표 면적 계산부", codes, std::max(current, 0),
                       [&project, &panel, title](const std::string& code) {
                           int index = -1;
                           const TNCADItem* group = project.FindItemByCode(code, index);
                           if (!group)
                               throw std::runtime_error(code + ": 코드가 없습니다.");
                           return AreaReport(AreaSheetOf(*group, panel.MarkedClosed(code)), code, title);
                       },
                       form.JobFile);
    dialog.exec();
}

// The menu of the survey computations, made by whichever part of the window wires its
// entries first.
QMenu* surveyMenu(QMenuBar& bar) {
    if (auto* menu = bar.findChild<QMenu*>("menuSurvey"))
        return menu;
    QMenu* menu = bar.addMenu("측량 계산(&S)");
    menu->setObjectName("menuSurvey");
    return menu;
}

// 트래버스 계산부 of an instrument file: the job holds points only, the traverse needs the
// observations, so the file is asked for, starting from the job's own.
void traverseReport(TMainForm& form) {
    QFileDialog dialog(&form, "트래버스 계산부: 측량기 파일");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!form.JobFile.isEmpty())
        dialog.selectFile(form.JobFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    const TPointLines bytes = TPointLines::LoadFile(QFile::encodeName(path).toStdString());
    const TFormatChoice choice = ChooseFormat(bytes.Text(), std::nullopt);
    if (choice.Format == TInstrumentFormat::PointLines)
        throw std::runtime_error(QFileInfo(path).fileName().toStdString() +
                                 ": 측량기 관측 파일이 아닙니다. 트래버스 계산에는 관측값이 필요합니다.");
    const TObservationLog log = ReadObservations(bytes.Text(), choice);
    const TTraverseResult result = AdjustTraverse(TraverseFromLog(log), TTraverseRule::Compass);
    TReportForm report(&form, TraverseReport(result, form.JobAxes(), PlotTitle::ForJob(path)), path);
    report.exec();
}

} // namespace

void TMainForm::WireReportCommands() {
    QMenu* menu = surveyMenu(*menuBar());
    actPointReport = menu->addAction("좌표 성과표…");
    actAreaReport = menu->addAction("좌표 면적 계산부…");
    actTraverseReport = menu->addAction("트래버스 계산부…");
    connect(actPointReport, &QAction::triggered, this, [this] { RunGuarded([this] { pointReport(*this); }); });
    connect(actAreaReport, &QAction::triggered, this, [this] { RunGuarded([this] { areaReport(*this); }); });
    connect(actTraverseReport, &QAction::triggered, this, [this] { RunGuarded([this] { traverseReport(*this); }); });
}
