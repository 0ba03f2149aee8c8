#include "app/forms/TraverseForm.h"

#include "formats/Angles.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "survey/AdjustedJob.h"
#include "survey/Cogo.h"
#include "survey/TraverseRoute.h"
#include "text/NumText.h"
#include "toolkit/Catalog.h"
#include "toolkit/Guard.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

namespace {

constexpr double kSecondsPerRadian = 180.0 * 3600.0 / kPi;

enum {
    kColStation, kColAngle, kColAngleCorrection, kColAzimuth, kColDistance, kColLatitude, kColDeparture,
    kColLatitudeCorrection, kColDepartureCorrection, kColX, kColY, kColZ, kColumns
};

const char* const kHeaders[kColumns] = {"측점", "관측각", "각 보정(″)", "방위각", "거리", "위거", "경거",
                                        "위거 보정", "경거 보정", "X", "Y", "Z"};

QString text(const std::string& s) { return QString::fromStdString(s); }
QString metres(double v) { return text(FormatFixed4(v)); }
QString signedText(double v, int decimals) {
    return (v > 0.0 ? "+" : "") + text(FormatFixed(v, decimals));
}

void setCell(QTableWidget& grid, int row, int col, const QString& value) {
    auto* item = new QTableWidgetItem(value);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (col != kColStation)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid.setItem(row, col, item);
}

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TTraverseForm::TTraverseForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("TraverseForm");
    setWindowTitle("트래버스 계산");
    resize(980, 560);

    edtFile = new QLineEdit(this);
    edtFile->setObjectName("edtFile");
    btnBrowse = new QPushButton("찾기…", this);
    edtRoute = new QLineEdit(this);
    edtRoute->setObjectName("edtRoute");
    edtRoute->setPlaceholderText("비워 두면 파일에서 찾습니다 (예: A,B,C,D,A)");
    cmbRule = new QComboBox(this);
    cmbRule->addItems({"컴퍼스 법칙 (거리 비례)", "트랜싯 법칙 (위거·경거 비례)"});
    btnCompute = new QPushButton("계산", this);
    btnCompute->setDefault(true);

    auto* input = new QFormLayout;
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edtFile, 1);
    fileRow->addWidget(btnBrowse);
    input->addRow("측량기 파일", fileRow);
    input->addRow("노선 (측점 번호)", edtRoute);
    auto* ruleRow = new QHBoxLayout;
    ruleRow->addWidget(cmbRule);
    ruleRow->addStretch(1);
    ruleRow->addWidget(btnCompute);
    input->addRow("폐합차 배분", ruleRow);

    gridLegs = new QTableWidget(0, kColumns, this);
    gridLegs->setObjectName("gridLegs");
    QStringList headers;
    for (const char* h : kHeaders)
        headers << QString::fromUtf8(h);
    gridLegs->setHorizontalHeaderLabels(headers);
    gridLegs->verticalHeader()->hide();
    gridLegs->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    gridLegs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridLegs->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto* closure = new QGroupBox("폐합", this);
    auto* closureForm = new QFormLayout(closure);
    lblAngular = valueLabel(closure, "lblAngular");
    lblLatitude = valueLabel(closure, "lblLatitude");
    lblDeparture = valueLabel(closure, "lblDeparture");
    lblLinear = valueLabel(closure, "lblLinear");
    lblLength = valueLabel(closure, "lblLength");
    lblPrecision = valueLabel(closure, "lblPrecision");
    lblHeight = valueLabel(closure, "lblHeight");
    closureForm->addRow("각 폐합차", lblAngular);
    closureForm->addRow("위거 폐합차", lblLatitude);
    closureForm->addRow("경거 폐합차", lblDeparture);
    closureForm->addRow("폐합 거리", lblLinear);
    closureForm->addRow("총 거리", lblLength);
    closureForm->addRow("정밀도", lblPrecision);
    closureForm->addRow("높이 폐합차", lblHeight);

    memNotes = new QPlainTextEdit(this);
    memNotes->setObjectName("memNotes");
    memNotes->setReadOnly(true);

    auto* lower = new QHBoxLayout;
    lower->addWidget(closure);
    lower->addWidget(memNotes, 1);

    btnApply = new QPushButton("적용", this);
    btnApply->setToolTip("조정한 측점 좌표와 다시 계산한 측점들을 작업에 넣습니다.");
    btnClose = new QPushButton("닫기", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnApply);
    buttons->addWidget(btnClose);

    auto* column = new QVBoxLayout(this);
    column->addLayout(input);
    column->addWidget(gridLegs, 1);
    column->addLayout(lower);
    column->addLayout(buttons);

    connect(btnBrowse, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnBrowseClick(); }); });
    connect(btnCompute, &QPushButton::clicked, this, [this] { RunGuarded([this] { Compute(); }); });
    connect(btnApply, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnApplyClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    // A result stands for the inputs it came from; changing them takes 적용 away.
    connect(edtFile, &QLineEdit::textEdited, this, [this] { clearResult(); });
    connect(edtRoute, &QLineEdit::textEdited, this, [this] { clearResult(); });
    connect(cmbRule, &QComboBox::currentIndexChanged, this, [this] { clearResult(); });
    clearResult();
}

void TTraverseForm::btnBrowseClick() {
    const QString path = QFileDialog::getOpenFileName(
        this, "측량기 파일", edtFile->text(), "측량기 파일 (*.gsi *.sdr *.raw *.rw5 *.are *.job);;모든 파일 (*)");
    if (path.isEmpty())
        return;
    edtFile->setText(path);
    clearResult();
}

void TTraverseForm::clearResult() {
    m_computed = false;
    m_result = {};
    m_job = {};
    gridLegs->setRowCount(0);
    for (QLabel* l : {lblAngular, lblLatitude, lblDeparture, lblLinear, lblLength, lblPrecision, lblHeight})
        l->clear();
    memNotes->clear();
    btnApply->setEnabled(false);
}

void TTraverseForm::Compute() {
    clearResult();
    const QString path = edtFile->text().trimmed();
    if (path.isEmpty())
        throw std::runtime_error("트래버스를 계산할 측량기 파일을 고르십시오.");
    const TPointLines bytes = TPointLines::LoadFile(QFile::encodeName(path).toStdString());
    const TFormatChoice choice = ChooseFormat(bytes.Text());
    if (choice.Format == TInstrumentFormat::PointLines)
        throw std::runtime_error(
            QString("\"%1\" 파일은 좌표 파일입니다. 트래버스 계산에는 측량기의 관측값이 있는 파일이 필요합니다.")
                .arg(path)
                .toStdString());
    const TObservationLog log = ReadObservations(bytes.Text(), choice);

    std::vector<std::string> route;
    for (const QString& id : edtRoute->text().split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts))
        route.push_back(id.toStdString());
    const TTraverseRule rule = cmbRule->currentIndex() == 1 ? TTraverseRule::Transit : TTraverseRule::Compass;
    TTraverseInput input;
    try {
        input = TraverseFromLog(log, route);
        m_result = AdjustTraverse(input, rule);
    } catch (const ETraverse& e) {
        throw std::runtime_error("트래버스를 계산할 수 없습니다: " + std::string(e.what()));
    }
    m_job = AdjustedPoints(log, input, m_result);
    m_computed = true;
    showResult();
    btnApply->setEnabled(!m_job.Points.empty());
}

void TTraverseForm::SetAxes(TAxisOrder axes) {
    if (axes == m_axes)
        return;
    m_axes = axes;
    if (m_computed)
        showResult();
}

void TTraverseForm::showResult() {
    const TTraverseResult& r = m_result;
    gridLegs->setRowCount(static_cast<int>(r.Stations.size()));
    for (size_t i = 0; i < r.Stations.size(); ++i) {
        const int row = static_cast<int>(i);
        const TTraverseStation& s = r.Stations[i];
        setCell(*gridLegs, row, kColStation, text(s.Id));
        if (i < r.Angles.size()) {
            setCell(*gridLegs, row, kColAngle, text(FormatDms(r.Angles[i].Observed)));
            setCell(*gridLegs, row, kColAngleCorrection, signedText(r.Angles[i].Correction * kSecondsPerRadian, 1));
        }
        if (i < r.Legs.size()) {
            const TTraverseLeg& leg = r.Legs[i];
            setCell(*gridLegs, row, kColAzimuth, text(FormatDms(leg.Azimuth)));
            setCell(*gridLegs, row, kColDistance, metres(leg.Distance));
            setCell(*gridLegs, row, kColLatitude, metres(leg.Latitude));
            setCell(*gridLegs, row, kColDeparture, metres(leg.Departure));
            setCell(*gridLegs, row, kColLatitudeCorrection, metres(leg.LatitudeCorrection));
            setCell(*gridLegs, row, kColDepartureCorrection, metres(leg.DepartureCorrection));
        }
        // As the job will hold the station.
        double x = 0, y = 0;
        FromEastNorth({s.E, s.N}, m_axes, x, y);
        setCell(*gridLegs, row, kColX, metres(x));
        setCell(*gridLegs, row, kColY, metres(y));
        setCell(*gridLegs, row, kColZ, metres(s.H));
    }
    gridLegs->resizeColumnsToContents();

    lblAngular->setText(r.AngularMisclosure ? signedText(*r.AngularMisclosure * kSecondsPerRadian, 1) + "″"
                                            : QString("없음 (종점에서 방향을 관측하지 않음)"));
    lblLatitude->setText(signedText(r.LatitudeMisclosure, 4) + " m");
    lblDeparture->setText(signedText(r.DepartureMisclosure, 4) + " m");
    lblLinear->setText(metres(r.LinearMisclosure) + " m");
    lblLength->setText(metres(r.TotalLength) + " m");
    const double n = r.Precision();
    lblPrecision->setText(std::isfinite(n) ? "1/" + text(FormatFixed(n, 0)) : QString("폐합차 없음"));
    QString height = r.HeightMisclosure ? signedText(*r.HeightMisclosure, 4) + " m" : QString("없음");
    if (r.LevelLegs)
        height += " (높이차가 없는 변은 수평으로 봄)";
    lblHeight->setText(height);

    // What the reduction said of the file, so that a miss or a record left out is seen
    // before the job takes the result.
    QStringList lines;
    auto add = [&lines](const std::vector<TLineMessage>& messages, const QString& kind) {
        for (const TLineMessage& m : messages)
            lines << kind + (m.Line > 0 ? QString("%1번째 줄: ").arg(m.Line) : QString()) +
                     Catalog::Render(kFormatsTextDomain, m.Message);
    };
    add(m_job.Problems, "읽지 못함: ");
    add(m_job.Warnings, "경고: ");
    add(m_job.Notes, "");
    lines.prepend(QString("측점 %1개를 조정한 측점에서 다시 계산했습니다.").arg(m_job.Points.size()));
    memNotes->setPlainText(lines.join('\n'));
}

void TTraverseForm::btnApplyClick() {
    if (!m_computed)
        return;
    if (OnApply)
        OnApply(m_job);
    // One result goes into the job once; a second 적용 would be a second step of the same.
    btnApply->setEnabled(false);
}
