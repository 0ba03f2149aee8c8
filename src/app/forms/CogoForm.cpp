#include "app/forms/CogoForm.h"

#include "formats/Angles.h"
#include "model/NCADProject.h"
#include "text/NumText.h"
#include "toolkit/Guard.h"
#include "view/NCAD.h"
#include "view/PointPick.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }
QString metres(double v) { return text(FormatFixed4(v)) + " m"; }

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(140);
    return label;
}

QLineEdit* edit(QWidget* parent, const char* name, const QString& hint = {}) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setPlaceholderText(hint);
    return e;
}

double length(const QLineEdit& e, const char* what) {
    double v = 0.0;
    if (!TryStrToFloat(e.text().trimmed().toStdString(), v) || !std::isfinite(v) || v < 0.0)
        throw std::runtime_error(QString("%1 '%2'은(는) 거리(m)가 아닙니다.").arg(what, e.text()).toStdString());
    return v;
}

double azimuth(const QLineEdit& e, const char* what) {
    double v = 0.0;
    if (!ParseAngle(e.text().trimmed().toStdString(), TAngleUnit::DegreeDms, v) || !std::isfinite(v))
        throw std::runtime_error(
            QString("%1 '%2'은(는) 방위각이 아닙니다. 도.분초로 입력하십시오 (123.4530은 123°45'30\").")
                .arg(what, e.text())
                .toStdString());
    return v;
}

} // namespace

TCogoForm::TCogoForm(const TNCADProject& project, TNCAD& view, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_project(project), m_view(view) {
    setObjectName("CogoForm");
    setWindowTitle("좌표 계산");

    auto* found = new QGroupBox("새 점", this);
    lstResults = new QListWidget(found);
    lstResults->setObjectName("lstResults");
    lstResults->setMaximumHeight(60);
    edtNewId = edit(found, "edtNewId");
    edtNewCode = edit(found, "edtNewCode");
    btnAdd = new QPushButton("측점 추가", found);
    btnAdd->setEnabled(false);
    auto* foundForm = new QFormLayout(found);
    foundForm->addRow("계산한 점", lstResults);
    foundForm->addRow("ID", edtNewId);
    foundForm->addRow("CODE", edtNewCode);
    foundForm->addRow(btnAdd);

    // After the list: the pages clear it as their inputs change.
    Pages = new QTabWidget(this);
    Pages->addTab(makeInversePage(), "역계산");
    Pages->addTab(makePolarPage(), "방위각·거리");
    Pages->addTab(makeIntersectPage(), "교점");

    auto* column = new QVBoxLayout(this);
    column->addWidget(Pages);
    column->addWidget(found);

    connect(btnAdd, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnAddClick(); }); });
    // Another page means another computation: its points are not offered for adding.
    connect(Pages, &QTabWidget::currentChanged, this, [this] { showFound({}); });
    resize(360, sizeHint().height());
}

// Closing the window ends a pick, so that the view's presses are its own again.
void TCogoForm::hideEvent(QHideEvent* event) {
    btnPick->setChecked(false);
    QWidget::hideEvent(event);
}

QWidget* TCogoForm::makeInversePage() {
    auto* page = new QWidget;
    edtFrom = edit(page, "edtFrom", "점번호");
    edtTo = edit(page, "edtTo", "점번호");
    btnInverse = new QPushButton("계산", page);
    btnPick = new QPushButton("화면에서 두 점 선택", page);
    btnPick->setCheckable(true);
    lblPick = new QLabel(page);
    lblPick->setWordWrap(true);
    lblDistance = valueLabel(page, "lblDistance");
    lblAzimuth = valueLabel(page, "lblAzimuth");
    lblDX = valueLabel(page, "lblDX");
    lblDY = valueLabel(page, "lblDY");
    lblDZ = valueLabel(page, "lblDZ");
    lblSlope = valueLabel(page, "lblSlope");

    auto* form = new QFormLayout(page);
    form->addRow("시점", edtFrom);
    form->addRow("종점", edtTo);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPick);
    buttons->addStretch(1);
    buttons->addWidget(btnInverse);
    form->addRow(buttons);
    form->addRow(lblPick);
    form->addRow("수평 거리", lblDistance);
    form->addRow("방위각", lblAzimuth);
    form->addRow("dX", lblDX);
    form->addRow("dY", lblDY);
    form->addRow("dZ", lblDZ);
    form->addRow("경사 거리", lblSlope);

    connect(btnInverse, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnInverseClick(); }); });
    connect(btnPick, &QPushButton::toggled, this, [this](bool on) { RunGuarded([this, on] { btnPickToggled(on); }); });
    return page;
}

QWidget* TCogoForm::makePolarPage() {
    auto* page = new QWidget;
    edtPolarFrom = edit(page, "edtPolarFrom", "점번호");
    edtPolarAzimuth = edit(page, "edtPolarAzimuth", "도.분초 (123.4530)");
    edtPolarDistance = edit(page, "edtPolarDistance", "m");
    btnPolar = new QPushButton("계산", page);
    auto* form = new QFormLayout(page);
    form->addRow("기준점", edtPolarFrom);
    form->addRow("방위각", edtPolarAzimuth);
    form->addRow("수평 거리", edtPolarDistance);
    form->addRow(btnPolar);
    connect(btnPolar, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnPolarClick(); }); });
    return page;
}

QWidget* TCogoForm::makeIntersectPage() {
    auto* page = new QWidget;
    rbBearings = new QRadioButton("방위각 교점", page);
    rbDistances = new QRadioButton("거리 교점", page);
    rbBearings->setChecked(true);
    auto* kinds = new QButtonGroup(page);
    kinds->addButton(rbBearings);
    kinds->addButton(rbDistances);
    edtPointA = edit(page, "edtPointA", "점번호");
    edtValueA = edit(page, "edtValueA");
    edtPointB = edit(page, "edtPointB", "점번호");
    edtValueB = edit(page, "edtValueB");
    btnIntersect = new QPushButton("계산", page);
    auto* valueA = new QLabel(page);
    auto* valueB = new QLabel(page);

    auto* form = new QFormLayout(page);
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(rbBearings);
    kindRow->addWidget(rbDistances);
    form->addRow(kindRow);
    form->addRow("점 A", edtPointA);
    form->addRow(valueA, edtValueA);
    form->addRow("점 B", edtPointB);
    form->addRow(valueB, edtValueB);
    form->addRow(btnIntersect);

    auto captions = [=, this] {
        const bool bearings = rbBearings->isChecked();
        valueA->setText(bearings ? "A에서 방위각" : "A에서 거리");
        valueB->setText(bearings ? "B에서 방위각" : "B에서 거리");
        const QString hint = bearings ? "도.분초 (123.4530)" : "m";
        edtValueA->setPlaceholderText(hint);
        edtValueB->setPlaceholderText(hint);
        showFound({});
    };
    captions();
    connect(rbBearings, &QRadioButton::toggled, this, captions);
    connect(btnIntersect, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnIntersectClick(); }); });
    return page;
}

// The one point of the job with the id typed: the computation must not guess between two.
TGridPoint TCogoForm::jobPoint(const QLineEdit& e) const {
    const std::string id = e.text().trimmed().toStdString();
    if (id.empty())
        throw std::runtime_error("점번호를 입력하십시오.");
    const TPoint3D* found = nullptr;
    int count = 0;
    for (const auto& group : m_project)
        for (const auto& p : group->Points)
            if (p->ID == id && count++ == 0)
                found = p.get();
    if (count == 0)
        throw std::runtime_error(QString("'%1' 번호의 측점이 없습니다.").arg(text(id)).toStdString());
    if (count > 1)
        throw std::runtime_error(
            QString("'%1' 번호의 측점이 %2개 있습니다. 화면에서 클릭하여 고르십시오.").arg(text(id)).arg(count).toStdString());
    const TEastNorth plan = ToEastNorth(found->X, found->Y, m_view.AxisOrder());
    return TGridPoint{plan.E, plan.N, found->Z};
}

void TCogoForm::ShowInverse(const TGridPoint& from, const TGridPoint& to) {
    const TInverse r = Inverse(from, to);
    lblDistance->setText(metres(r.Distance));
    lblAzimuth->setText(text(FormatDms(r.Azimuth, 1)));
    double dx = 0, dy = 0;
    FromEastNorth({r.DE, r.DN}, m_view.AxisOrder(), dx, dy);
    lblDX->setText(metres(dx));
    lblDY->setText(metres(dy));
    lblDZ->setText(metres(r.DH));
    lblSlope->setText(metres(r.Slope));
}

void TCogoForm::btnInverseClick() {
    for (QLabel* l : {lblDistance, lblAzimuth, lblDX, lblDY, lblDZ, lblSlope})
        l->clear();
    ShowInverse(jobPoint(*edtFrom), jobPoint(*edtTo));
}

void TCogoForm::btnPickToggled(bool on) {
    m_firstPick.reset();
    // Presses on the view's client area come here first while picking, so that they neither
    // pan nor add a point.
    if (on) {
        m_view.viewport()->installEventFilter(this);
        m_view.viewport()->setCursor(Qt::CrossCursor);
        lblPick->setText("시점을 화면에서 클릭하십시오.");
    } else {
        m_view.viewport()->removeEventFilter(this);
        m_view.viewport()->unsetCursor();
        lblPick->clear();
    }
}

bool TCogoForm::PickAt(const QPoint& pos) {
    const TPoint3D* p = PickPoint(m_view, m_project, pos.x(), pos.y(), kPickRadius, m_view.AxisOrder());
    if (!p) {
        lblPick->setText("그 자리에는 측점이 없습니다. 측점을 클릭하십시오.");
        return false;
    }
    const TEastNorth plan = ToEastNorth(p->X, p->Y, m_view.AxisOrder());
    const TGridPoint at{plan.E, plan.N, p->Z};
    m_view.SetMark(plan.E, plan.N);
    if (!m_firstPick) {
        m_firstPick = at;
        edtFrom->setText(text(p->ID));
        edtTo->clear();
        lblPick->setText("종점을 화면에서 클릭하십시오.");
        return true;
    }
    edtTo->setText(text(p->ID));
    // The clicked points themselves: their ids may not be unique in the job.
    ShowInverse(*m_firstPick, at);
    btnPick->setChecked(false);
    return true;
}

bool TCogoForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view.viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            RunGuarded([this, press] { PickAt(press->position().toPoint()); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TCogoForm::btnPolarClick() {
    showFound({});
    const double az = azimuth(*edtPolarAzimuth, "방위각");
    const double distance = length(*edtPolarDistance, "거리");
    showFound({PolarPoint(jobPoint(*edtPolarFrom), az, distance)});
}

void TCogoForm::btnIntersectClick() {
    showFound({});
    const bool bearings = rbBearings->isChecked();
    const double a = bearings ? azimuth(*edtValueA, "A의 방위각") : length(*edtValueA, "A의 거리");
    const double b = bearings ? azimuth(*edtValueB, "B의 방위각") : length(*edtValueB, "B의 거리");
    const TGridPoint pa = jobPoint(*edtPointA), pb = jobPoint(*edtPointB);
    if (bearings) {
        const auto p = IntersectBearings(pa, a, pb, b);
        if (!p)
            throw std::runtime_error("두 방위각이 두 점의 앞쪽에서 만나지 않습니다.");
        showFound({*p});
    } else {
        const std::vector<TGridPoint> found = IntersectDistances(pa, a, pb, b);
        if (found.empty())
            throw std::runtime_error("두 거리를 모두 만족하는 점이 없습니다.");
        showFound(found);
    }
}

// Two answers are both listed and none is chosen: the user picks the one meant.
void TCogoForm::showFound(const std::vector<TGridPoint>& found) {
    m_found = found;
    lstResults->clear();
    for (size_t i = 0; i < found.size(); ++i) {
        double x = 0, y = 0;
        FromEastNorth({found[i].E, found[i].N}, m_view.AxisOrder(), x, y);
        QString line = QString("X %1, Y %2").arg(text(FormatFixed4(x)), text(FormatFixed4(y)));
        if (found.size() == 2)
            line = (i == 0 ? "① " : "② ") + line + (i == 0 ? "  (A→B의 오른쪽)" : "  (A→B의 왼쪽)");
        lstResults->addItem(line);
    }
    if (found.size() == 1)
        lstResults->setCurrentRow(0);
    btnAdd->setEnabled(!found.empty());
}

void TCogoForm::btnAddClick() {
    const int row = lstResults->currentRow();
    if (row < 0 || row >= static_cast<int>(m_found.size()))
        throw std::runtime_error("추가할 점을 계산한 점 목록에서 고르십시오.");
    if (OnAddPoint)
        OnAddPoint(edtNewId->text().trimmed().toStdString(), m_found[static_cast<size_t>(row)],
                   edtNewCode->text().trimmed().toStdString());
    // Added once; the next computation offers the next point.
    showFound({});
    edtNewId->clear();
}
