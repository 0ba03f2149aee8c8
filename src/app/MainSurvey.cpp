#include "app/Main.h"

#include "app/GridRowSink.h"
#include "io/InstrumentImport.h"
#include "model/NCADProject.h"
#include "survey/forms/CogoForm.h"
#include "survey/forms/TraverseForm.h"
#include "text/NumText.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>

#include <unordered_map>
#include <unordered_set>

namespace {

enum { kColID, kColX, kColY, kColZ };

// The menu of the survey computations, made by whichever part of the window wires its
// entries first.
QMenu* surveyMenu(QMenuBar& bar) {
    if (auto* menu = bar.findChild<QMenu*>("menuSurvey"))
        return menu;
    QMenu* menu = bar.addMenu("측량 계산(&S)");
    menu->setObjectName("menuSurvey");
    return menu;
}

void showWindow(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace

void TMainForm::WireSurveyCommands() {
    QMenu* menu = surveyMenu(*menuBar());
    TraverseItem = menu->addAction("트래버스 계산…");
    CogoItem = menu->addAction("좌표 계산…");
    connect(TraverseItem, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            if (!TraverseWindow) {
                TraverseWindow = new TTraverseForm(this);
                TraverseWindow->OnApply = [this](const TInstrumentResult& job) {
                    std::vector<std::string> stations;
                    for (const TTraverseStation& s : TraverseWindow->Result().Stations)
                        stations.push_back(s.Id);
                    ApplySurveyPoints(job.Points, stations);
                };
            }
            // The job's own file is the first guess at the observations; point files hold none.
            const QString suffix = QFileInfo(JobFile).suffix().toLower();
            if (TraverseWindow->edtFile->text().isEmpty() && suffix != "txt" && suffix != "csv")
                TraverseWindow->edtFile->setText(JobFile);
            showWindow(*TraverseWindow);
        });
    });
    connect(CogoItem, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            if (!CogoWindow) {
                CogoWindow = new TCogoForm(*Project, *NCAD1, this);
                CogoWindow->OnAddPoint = [this](const std::string& id, const TGridPoint& p, const std::string& code) {
                    std::vector<TSurveyPoint> one{TSurveyPoint{id, code, p.E, p.N, p.H}};
                    TGridRowSink sink(*NiceGrid1);
                    AppendSurveyPoints(one, *Project, &sink);
                    m_jobChanged = true;
                    NCAD1->Repaint();
                };
            }
            showWindow(*CogoWindow);
        });
    });
}

void TMainForm::ApplySurveyPoints(std::vector<TSurveyPoint> points, const std::vector<std::string>& stations) {
    // Rows whose link is a point of the project, by id in table order. A job read from the
    // same file has the points of one id in the order the computation gives them.
    std::unordered_set<const TPoint3D*> inProject;
    for (const auto& group : *Project)
        for (const auto& p : group->Points)
            inProject.insert(p.get());
    std::unordered_map<std::string, std::vector<int>> rowsOf;
    for (int row = 0; row < NiceGrid1->RowCount(); ++row) {
        const auto* point = static_cast<const TPoint3D*>(NiceGrid1->RowTag(row));
        if (inProject.count(point))
            rowsOf[point->ID].push_back(row);
    }

    const std::unordered_set<std::string> oneEach(stations.begin(), stations.end());
    std::unordered_map<std::string, size_t> taken;
    std::vector<TSurveyPoint> added;
    int moved = 0;
    auto move = [&](int row, const TSurveyPoint& p) {
        auto* point = static_cast<TPoint3D*>(NiceGrid1->RowTag(row));
        if (point->X == p.E && point->Y == p.N && point->Z == p.H)
            return;
        point->SetXYZ(p.E, p.N, p.H);
        NiceGrid1->SetCellUtf8(kColX, row, FormatFixed4(p.E));
        NiceGrid1->SetCellUtf8(kColY, row, FormatFixed4(p.N));
        NiceGrid1->SetCellUtf8(kColZ, row, FormatFixed4(p.H));
        ++moved;
    };
    for (TSurveyPoint& p : points) {
        const std::vector<int>& rows = rowsOf[p.Id];
        const size_t k = taken[p.Id]++;
        if (oneEach.count(p.Id) && !rows.empty()) {
            if (k == 0)
                for (int row : rows)
                    move(row, p);
        } else if (k < rows.size()) {
            move(rows[k], p);
        } else {
            added.push_back(std::move(p));
        }
    }
    TGridRowSink sink(*NiceGrid1);
    AppendSurveyPoints(added, *Project, &sink);
    if (moved > 0 || !added.empty())
        m_jobChanged = true;
    MsgStr->appendPlainText(
        QString("계산 결과를 작업에 적용했습니다: 측점 %1개를 옮기고 %2개를 추가했습니다.").arg(moved).arg(added.size()));
    NCAD1->Repaint();
}
