#include "app/Main.h"

#include "app/AppSettings.h"
#include "app/JobCommands.h"
#include "crs/Crs.h"
#include "crs/CrsError.h"
#include "crs/JobTransform.h"
#include "crs/forms/CommonPointForm.h"
#include "crs/forms/CrsCombo.h"
#include "crs/forms/CrsTransformForm.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "io/gis/GisExport.h"
#include "model/NCADProject.h"
#include "app/forms/TraverseForm.h"
#include "survey/transform/CommonPoints.h"
#include "text/NumText.h"
#include "toolkit/Guard.h"
#include "toolkit/WorkProgress.h"
#include "view/NCAD.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QUndoCommand>
#include <QUndoStack>

#include <atomic>
#include <chrono>
#include <future>

namespace {

const char kAxesKey[] = "job/xAxis"; // "east" or "north"
const char kCrsKey[] = "job/crs";    // EPSG code

QString operationLines(const std::vector<TCrsOperation>& operations) {
    QStringList lines;
    for (const TCrsOperation& op : operations)
        lines << QString::fromUtf8("  변환 방법: %1 (측점 %2개), 정확도: %3")
                     .arg(QString::fromStdString(op.Name))
                     .arg(op.Points)
                     .arg(QString::fromStdString(AccuracyText(op.Accuracy)));
    return lines.join('\n');
}

// A point or instrument file as the import reads it, into a project of its own.
void loadPoints(const QString& path, TNCADProject& into, TAxisOrder axes) {
    const TPointLines lines = TPointLines::LoadFile(QFile::encodeName(path).toStdString());
    const TFormatChoice choice = ChooseFormat(lines.Text());
    if (choice.Format == TInstrumentFormat::PointLines)
        ImportPointLines(lines, into, nullptr);
    else
        ImportInstrumentData(lines.Text(), choice, into, nullptr, axes);
}

struct GisChoice {
    const char* filter;
    const char* extension;
};
// GeoPackage first: the default.
const GisChoice kGisChoices[] = {{"GeoPackage (*.gpkg)", ".gpkg"},
                                 {"Shapefile (*.shp)", ".shp"},
                                 {"GeoJSON (*.geojson)", ".geojson"},
                                 {"KML (*.kml)", ".kml"}};

// A move of the whole job with what goes beside it (the job's reference system), so that
// undo never leaves the points in one system and the job naming another.
class TJobMoveStep : public QUndoCommand {
public:
    TJobMoveStep(std::unique_ptr<QUndoCommand> move, std::function<void()> redoBeside,
                 std::function<void()> undoBeside)
        : QUndoCommand(move->text()), m_move(std::move(move)), m_redoBeside(std::move(redoBeside)),
          m_undoBeside(std::move(undoBeside)) {}
    void redo() override {
        m_move->redo();
        if (m_redoBeside)
            m_redoBeside();
    }
    void undo() override {
        m_move->undo();
        if (m_undoBeside)
            m_undoBeside();
    }

private:
    std::unique_ptr<QUndoCommand> m_move;
    std::function<void()> m_redoBeside, m_undoBeside;
};

} // namespace

void TMainForm::WireCoordCommands() {
    AxisCombo = new QComboBox(ToolBar1);
    AxisCombo->setObjectName("AxisCombo");
    AxisCombo->addItem(QString::fromUtf8("X=동(E)"));
    AxisCombo->addItem(QString::fromUtf8("X=북(N)"));
    AxisCombo->setToolTip(QString::fromUtf8("작업의 X가 동(경거)인지 북(위거)인지 정합니다. 표와 점 "
                                            "파일의 X, Y는 그대로 두고 화면, 도면, DXF와 GIS 파일은 "
                                            "동쪽을 오른쪽으로 그립니다."));
    CrsCombo = new TCrsCombo(ToolBar1);
    CrsCombo->setObjectName("CrsCombo");
    CrsCombo->setToolTip(QString::fromUtf8("작업의 좌표계: 목록에서 고르거나 EPSG:NNNN으로 적습니다."));
    ToolBar1->addSeparator();
    ToolBar1->addWidget(new QLabel(QString::fromUtf8(" 좌표축: "), ToolBar1));
    ToolBar1->addWidget(AxisCombo);
    ToolBar1->addWidget(new QLabel(QString::fromUtf8("  좌표계: "), ToolBar1));
    ToolBar1->addWidget(CrsCombo);

    Coord1 = menuBar()->addMenu(QString::fromUtf8("좌표(&O)"));
    CrsTransform1 = Coord1->addAction(QString::fromUtf8("좌표 변환…"));
    CommonPoints1 = Coord1->addAction(QString::fromUtf8("공통점 변환…"));
    GIS1 = Export->addAction(QString::fromUtf8("GIS 파일로 저장하기…"));

    // The settings of the last run; a stored value that reads as nothing leaves the default.
    const TAppSettings settings;
    NCAD1->SetAxisOrder(settings.Value(kAxesKey).toString() == "north" ? TAxisOrder::XNorth
                                                                       : TAxisOrder::XEast);
    AxisCombo->setCurrentIndex(JobAxes() == TAxisOrder::XNorth ? 1 : 0);
    bool known = false;
    const int crs = settings.Value(kCrsKey).toInt(&known);
    if (known && crs > 0)
        RunGuarded([&] { SetJobCrs(crs); });
    CrsCombo->SetEpsg(m_jobCrs);

    connect(AxisCombo, &QComboBox::activated, this, [this](int index) {
        RunGuarded([&] { SetJobAxes(index == 1 ? TAxisOrder::XNorth : TAxisOrder::XEast); });
    });
    connect(CrsCombo, &TCrsCombo::Chosen, this, [this] { RunGuarded([this] { CrsComboChosen(); }); });
    connect(CrsTransform1, &QAction::triggered, this, [this] { RunGuarded([this] { CrsTransform1Click(); }); });
    connect(CommonPoints1, &QAction::triggered, this, [this] { RunGuarded([this] { CommonPoints1Click(); }); });
    connect(GIS1, &QAction::triggered, this, [this] { RunGuarded([this] { GIS1Click(); }); });
}

TAxisOrder TMainForm::JobAxes() const { return NCAD1->AxisOrder(); }

void TMainForm::SetJobAxes(TAxisOrder axes) {
    AxisCombo->setCurrentIndex(axes == TAxisOrder::XNorth ? 1 : 0);
    if (axes == JobAxes())
        return;
    NCAD1->SetAxisOrder(axes);
    NCAD1->ZoomExtents();
    if (TraverseWindow)
        TraverseWindow->SetAxes(axes);
    TAppSettings settings;
    settings.SetValue(kAxesKey, axes == TAxisOrder::XNorth ? "north" : "east");
    settings.Save();
}

void TMainForm::SetJobCrs(int epsg) {
    DescribeCrs(epsg); // throws for a code PROJ cannot use
    m_jobCrs = epsg;
    if (CrsCombo->Epsg() != epsg)
        CrsCombo->SetEpsg(epsg);
}

void TMainForm::CrsComboChosen() {
    const int epsg = CrsCombo->Epsg();
    if (epsg == m_jobCrs)
        return;
    try {
        if (!epsg)
            throw ECrsError("좌표계는 목록에서 고르거나 EPSG:NNNN으로 적으십시오.");
        SetJobCrs(epsg);
    } catch (...) {
        CrsCombo->SetEpsg(m_jobCrs); // the job keeps the system it had
        throw;
    }
    TAppSettings settings;
    settings.SetValue(kCrsKey, epsg);
    settings.Save();
}

void TMainForm::ApplyJobCoordinates(const QString& name,
                                    const std::function<void(TNCADProject&)>& change,
                                    int newCrs) {
    // The change runs on the points themselves, all or nothing; the step then takes their new
    // positions, and the points go back until the step does them.
    std::vector<TPointMove> moves;
    moves.reserve(static_cast<size_t>(Project->TotalPointCount()));
    for (const auto& group : *Project)
        for (const auto& point : group->Points)
            moves.push_back({point.get(), point->X, point->Y, point->Z});
    change(*Project);
    for (TPointMove& move : moves) {
        std::swap(move.X, move.Point->X);
        std::swap(move.Y, move.Point->Y);
    }
    const int oldCrs = m_jobCrs;
    auto setCrs = [this](int epsg) {
        return [this, epsg] {
            m_jobCrs = epsg;
            CrsCombo->SetEpsg(epsg);
            RunGuarded([epsg] {
                TAppSettings settings;
                settings.SetValue(kCrsKey, epsg);
                settings.Save();
            });
        };
    };
    auto move = MakeMovePoints(TJobParts{*NiceGrid1, *Project, *NCAD1}, name, std::move(moves));
    if (!move) {
        if (newCrs)
            setCrs(newCrs)();
        return;
    }
    UndoStack->push(new TJobMoveStep(std::move(move), newCrs ? setCrs(newCrs) : std::function<void()>(),
                                     newCrs ? setCrs(oldCrs) : std::function<void()>()));
}

void TMainForm::CrsTransform1Click() {
    TCrsTransformForm form(this, *Project, JobAxes(), m_jobCrs);
    if (form.exec() != QDialog::Accepted)
        return;
    const int from = form.From(), to = form.To();
    DescribeCrs(to); // a code PROJ cannot use throws before anything changes
    std::vector<TCrsOperation> used;
    ApplyJobCoordinates(
        QString::fromUtf8("좌표 변환"),
        [&](TNCADProject& job) { used = TransformProject(job, from, to, JobAxes()); }, to);
    MsgStr->appendPlainText(QString::fromUtf8("좌표 변환: %1 → %2, 측점 %3개\n%4")
                                .arg(QString::fromStdString(EpsgText(from)),
                                     QString::fromStdString(EpsgText(to)))
                                .arg(Project->TotalPointCount())
                                .arg(operationLines(used)));
}

void TMainForm::CommonPoints1Click() {
    const TAxisOrder axes = JobAxes();
    TCommonPointForm form(this, *Project,
                          [axes](const QString& path, TNCADProject& into) { loadPoints(path, into, axes); });
    if (form.exec() != QDialog::Accepted || !form.Fit())
        return;
    const TPlaneFit fit = *form.Fit();
    ApplyJobCoordinates(QString::fromUtf8("공통점 변환"),
                        [&](TNCADProject& job) { ApplyPlaneTransform(job, fit.Transform); });
    const TTransformTerms t = DescribeTransform(fit.Transform);
    MsgStr->appendPlainText(
        QString::fromUtf8("공통점 변환(%1, 공통점 %2개): 이동량 X %3 m, Y %4 m, 회전 %5″, 축척 %6 ppm, RMS %7 m")
            .arg(fit.Method == TFitMethod::Helmert ? QString::fromUtf8("헬머트") : QString::fromUtf8("부등각 사상"))
            .arg(fit.Used)
            .arg(QString::number(t.ShiftX, 'f', 4), QString::number(t.ShiftY, 'f', 4),
                 QString::number(t.RotationSeconds, 'f', 3), QString::number(t.ScalePpm, 'f', 3),
                 QString::number(fit.Rms, 'f', 4)));
}

void TMainForm::GIS1Click() {
    QString path;
    if (GisDialogHook) {
        path = GisDialogHook();
    } else {
        QStringList filters;
        for (const GisChoice& c : kGisChoices)
            filters << c.filter;
        QString filter = filters.front();
        path = QFileDialog::getSaveFileName(this, QString::fromUtf8("GIS 파일로 저장"),
                                            QFileInfo(JobFile).completeBaseName(),
                                            filters.join(";;"), &filter);
        // A name without a known extension takes the chosen type's.
        if (!path.isEmpty() && !GisFormatOf(QFile::encodeName(path).toStdString()))
            for (const GisChoice& c : kGisChoices)
                if (filter == c.filter)
                    path += c.extension;
    }
    if (path.isEmpty())
        return;
    const std::string file = QFile::encodeName(path).toStdString();
    TGisOptions options;
    options.Epsg = m_jobCrs;
    options.Axes = JobAxes();
    // A big job takes seconds, and a GeoPackage builds its spatial index at the very end: the
    // export runs beside the window, which goes on painting. Cancel leaves the files already
    // there as they were.
    struct Shared {
        std::atomic<size_t> done{0};
        std::atomic<size_t> total{1};
        std::atomic<bool> stop{false};
    } shared;
    options.Progress = [&shared](size_t done, size_t total) {
        if (shared.stop)
            throw EWorkCancelled();
        shared.total = total;
        shared.done = done;
    };
    TWorkProgress progress(this, QString::fromUtf8("GIS 파일을 저장하는 중입니다..."));
    const TGisFormat format = *GisFormatOf(file);
    auto job = std::async(std::launch::async,
                          [this, &file, format, &options] { return ExportGis(*Project, file, format, options); });
    const auto running = [&job] { return job.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready; };
    try {
        do {
            if (shared.done < shared.total)
                progress.Step(shared.done, shared.total);
            else
                progress.Finishing(QString::fromUtf8("GIS 파일을 쓰는 중입니다..."));
        } while (running());
    } catch (const EWorkCancelled&) {
        shared.stop = true;
        while (running())
            progress.Finishing(QString::fromUtf8("GIS 파일 저장을 멈추는 중입니다..."));
    }
    std::vector<TCrsOperation> used;
    try {
        used = job.get();
    } catch (const EWorkCancelled&) {
        MsgStr->appendPlainText(QString::fromUtf8("GIS 파일 저장을 취소했습니다: %1").arg(path));
        return;
    }
    QString line = QString::fromUtf8("GIS 파일 저장: %1 (%2)")
                       .arg(path, QString::fromStdString(EpsgText(m_jobCrs)));
    if (!used.empty())
        line += QString::fromUtf8(", WGS 84 경위도로 변환\n") + operationLines(used);
    MsgStr->appendPlainText(line);
}
