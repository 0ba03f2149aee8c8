#include "app/MeasurePanel.h"

#include "model/Measure.h"
#include "model/NCADProject.h"
#include "text/NumText.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTimer>

#include <cmath>

namespace {

constexpr int kColCode = 4;

// A value beyond the range of numbers says so rather than "inf".
QString metres(double value) {
    return std::isfinite(value) ? QString::fromStdString(FormatFixed(value, 3)) : QString("(범위 밖)");
}

} // namespace

TMeasurePanel::TMeasurePanel(const TNiceGrid& grid, const TNCAD& view, QWidget* parent)
    : QWidget(parent), m_grid(grid), m_view(view) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 0, 2, 0);
    row->setSpacing(8);
    lblMeasure = new QLabel(this);
    lblMeasure->setObjectName("lblMeasure");
    lblMeasure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long text is cut at the window's edge rather than widening the window; the tool tip
    // holds all of it.
    lblMeasure->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(lblMeasure, 1);
    chkClosed = new QCheckBox("폐합으로 계산", this);
    chkClosed->setObjectName("chkClosed");
    chkClosed->setToolTip("마지막 점이 첫 점으로 돌아오지 않아도 닫힌 도형으로 보고 면적을 계산합니다.");
    row->addWidget(chkClosed);
    connect(chkClosed, &QCheckBox::clicked, this, [this] { RunGuarded([this] { chkClosedClick(); }); });

    const QAbstractItemModel* model = grid.model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, [this] { RefreshSoon(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { RefreshSoon(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { RefreshSoon(); });
    connect(grid.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { RefreshSoon(); });
    Refresh();
}

// A big import changes thousands of rows at once: one measure after it is enough.
void TMeasurePanel::RefreshSoon() {
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { Refresh(); }); });
}

void TMeasurePanel::Refresh() {
    m_refreshPending = false;
    const TNCADProject* project = m_view.Project();
    const int row = m_grid.SelectedRow();
    int index = -1;
    const TNCADItem* group = nullptr;
    if (project && row >= 0) {
        m_code = std::string(m_grid.CellUtf8(kColCode, row));
        group = project->FindItemByCode(m_code, index);
    }
    if (!group) {
        lblMeasure->clear();
        chkClosed->setChecked(false);
        chkClosed->setEnabled(false);
        return;
    }
    const TGroupMeasure m = MeasureGroup(*group, MarkedClosed(m_code));
    lblMeasure->setText(Describe(m_code, m));
    lblMeasure->setToolTip(lblMeasure->text());
    // A figure that closes by its own points needs no mark.
    chkClosed->setEnabled(!m.ClosesItself);
    chkClosed->setChecked(m.Closed);
}

void TMeasurePanel::chkClosedClick() {
    if (chkClosed->isChecked())
        m_closedCodes.insert(m_code);
    else
        m_closedCodes.erase(m_code);
    Refresh();
}

QString TMeasurePanel::Describe(const std::string& name, const TGroupMeasure& m) {
    QString text = QString("%1: 점 %2개 · 길이 %3 m · 폐합 %4")
                       .arg(name.empty() ? QString("(코드 없음)") : QString::fromStdString(name))
                       .arg(m.Points)
                       .arg(metres(m.Length), m.Closed ? "예" : "아니오");
    if (!m.Closed)
        return text;
    switch (m.State) {
    case TAreaState::Valid:
        text += QString(" · 면적 %1 ㎡ (%2 평)")
                    .arg(metres(m.Area), metres(SquareMetresToPyeong(m.Area)));
        break;
    case TAreaState::SelfCrossing:
        text += " · 면적 없음: 변이 서로 교차함";
        break;
    case TAreaState::OutOfRange:
        text += " · 면적 없음: 좌표가 너무 커서 계산할 수 없음";
        break;
    default:
        text += " · 면적 없음: 점이 셋 미만이거나 한 직선 위";
        break;
    }
    return text + QString(" · 둘레 %1 m").arg(metres(m.Perimeter));
}
