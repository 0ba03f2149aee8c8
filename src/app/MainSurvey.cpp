#include "app/Main.h"

#include "app/JobCommands.h"
#include "io/InstrumentImport.h"
#include "model/AxisOrder.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "app/forms/CogoForm.h"
#include "app/forms/TraverseForm.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QUndoStack>

#include <unordered_map>
#include <unordered_set>

namespace {

// The menu of the survey computations and their printed sheets, whichever part of the
// window wires its entries first makes it; the others find it by its caption.
QMenu* surveyMenu(QMenuBar& bar) {
    const QString caption = "측량 계산(&S)";
    for (QAction* item : bar.actions())
        if (item->menu() && item->text() == caption)
            return item->menu();
    QMenu* menu = bar.addMenu(caption);
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
                    ApplySurveyPoints("트래버스 조정", job.Points, stations);
                };
            }
            // The job's own file is the first guess at the observations; point files hold none.
            const QString suffix = QFileInfo(JobFile).suffix().toLower();
            if (TraverseWindow->edtFile->text().isEmpty() && suffix != "txt" && suffix != "csv")
                TraverseWindow->edtFile->setText(JobFile);
            TraverseWindow->SetAxes(JobAxes());
            showWindow(*TraverseWindow);
        });
    });
    connect(CogoItem, &QAction::triggered, this, [this] {
        RunGuarded([this] {
            if (!CogoWindow) {
                CogoWindow = new TCogoForm(*Project, *NCAD1, this);
                CogoWindow->OnAddPoint = [this](const std::string& id, const TGridPoint& p, const std::string& code) {
                    // As the add button adds a point: one step, the code upper-cased.
                    double x = 0, y = 0;
                    FromEastNorth({p.E, p.N}, JobAxes(), x, y);
                    UndoStack->push(MakeAddPoint(JobParts(), "측점 추가", std::make_unique<TPoint3D>(x, y, p.H, id),
                                                 UpperAscii(code))
                                        .release());
                    NCAD1->Repaint();
                };
            }
            showWindow(*CogoWindow);
        });
    });
}

void TMainForm::ApplySurveyPoints(const QString& step, const std::vector<TSurveyPoint>& points,
                                  const std::vector<std::string>& stations) {
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
    std::vector<TPointMove> moves;
    std::vector<const TSurveyPoint*> added;
    // The computations give easting and northing; the job holds them as its X, Y.
    const TAxisOrder axes = JobAxes();
    auto move = [&](int row, const TSurveyPoint& p) {
        auto* point = static_cast<TPoint3D*>(NiceGrid1->RowTag(row));
        double x = 0, y = 0;
        FromEastNorth({p.E, p.N}, axes, x, y);
        if (point->X != x || point->Y != y || point->Z != p.H)
            moves.push_back(TPointMove{point, x, y, p.H});
    };
    for (const TSurveyPoint& p : points) {
        const std::vector<int>& rows = rowsOf[p.Id];
        const size_t k = taken[p.Id]++;
        if (oneEach.count(p.Id) && !rows.empty()) {
            if (k == 0)
                for (int row : rows)
                    move(row, p);
        } else if (k < rows.size()) {
            move(rows[k], p);
        } else {
            added.push_back(&p);
        }
    }

    const size_t moved = moves.size();
    if (moved > 0 || !added.empty()) {
        UndoStack->beginMacro(step);
        if (auto change = MakeMovePoints(JobParts(), step, std::move(moves)))
            UndoStack->push(change.release());
        // Added as the import adds them: the code upper-cased, at the end of its group.
        for (const TSurveyPoint* p : added) {
            double x = 0, y = 0;
            FromEastNorth({p->E, p->N}, axes, x, y);
            UndoStack->push(MakeAddPoint(JobParts(), step, std::make_unique<TPoint3D>(x, y, p->H, p->Id),
                                         UpperAscii(p->Code))
                                .release());
        }
        UndoStack->endMacro();
    }
    MsgStr->appendPlainText(QString("%1 결과를 작업에 적용했습니다: 측점 %2개를 옮기고 %3개를 추가했습니다.")
                                .arg(step)
                                .arg(moved)
                                .arg(added.size()));
    NCAD1->Repaint();
}
