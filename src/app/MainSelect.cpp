#include "app/Main.h"

#include "app/FindForm.h"
#include "text/NumText.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

// Table columns.
enum { kColID, kColX, kColY, kColZ, kColCode };

// Widest a column grows to show its cells: an ID or a code of about thirty characters.
constexpr int kFitColumnsTo = 200;
// Pixels inside the view's edge within which the selected point counts as in view.
constexpr int kInViewMargin = 20;
// How long the status bar shows what 다음 찾기 found, milliseconds.
constexpr int kNoteTime = 5000;

bool rowXY(const TNiceGrid& grid, int row, double& x, double& y) {
    return row >= 0 && TryStrToFloat(grid.CellUtf8(kColX, row), x) &&
           TryStrToFloat(grid.CellUtf8(kColY, row), y);
}

// Where a row's point lies in the view's world (easting, northing), whichever the job's X is.
bool rowPlan(const TNiceGrid& grid, const TNCAD& view, int row, double& e, double& n) {
    double x = 0, y = 0;
    if (!rowXY(grid, row, x, y))
        return false;
    const TEastNorth plan = ToEastNorth(x, y, view.AxisOrder());
    e = plan.E;
    n = plan.N;
    return true;
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool sameLetter(char a, char b) { return upperAscii(a) == upperAscii(b); }

// Byte for byte but for the case of ASCII letters, so Hangul in UTF-8 compares exactly.
bool holds(std::string_view cell, std::string_view text, bool whole) {
    if (whole)
        return std::equal(cell.begin(), cell.end(), text.begin(), text.end(), sameLetter);
    return std::search(cell.begin(), cell.end(), text.begin(), text.end(), sameLetter) != cell.end();
}

QString worldText(double x, double y) {
    auto number = [](double v) {
        return std::isfinite(v) ? QString::fromStdString(FormatFixed(v, 3)) : QString("-");
    };
    return QString("X %1  Y %2").arg(number(x), number(y));
}

const char kAddPrefix[] = "클릭하면 추가: ";
const char kSendPrefix[] = "클릭하면 전송 목록에: ";

} // namespace

void TMainForm::WireSelection() {
    NiceGrid1->SetFitColumns(kFitColumnsTo);
    // The mark follows the selected row through whatever changes it: a click, the keys, a
    // find, an edit of its cells, a delete.
    const QAbstractItemModel* model = NiceGrid1->model();
    auto sync = [this] { RunGuarded([this] { SyncSelectionMark(); }); };
    connect(model, &QAbstractItemModel::dataChanged, this, sync);
    connect(model, &QAbstractItemModel::rowsRemoved, this, sync);
    connect(model, &QAbstractItemModel::modelReset, this, sync);
    connect(NiceGrid1->selectionModel(), &QItemSelectionModel::selectionChanged, this, sync);
    // Moving with the keys or by typing the start of an ID keeps the point in sight. The
    // selection, not the current row: a row is made current before it is selected.
    connect(NiceGrid1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { RunGuarded([this] { FollowSelection(); }); });
    NCAD1->OnPointPicked = [this](const TPoint3D* point) { NCAD1PointPicked(point); };

    CursorPanel = new QLabel(StatusBar1);
    CursorPanel->setObjectName("CursorPanel");
    CursorPanel->setFrameShape(QFrame::Panel);
    CursorPanel->setFrameShadow(QFrame::Sunken);
    CursorPanel->setMinimumWidth(CursorPanel->fontMetrics().horizontalAdvance(
                                     QString::fromUtf8(kSendPrefix) + worldText(-9999999.999, -9999999.999)) +
                                 8);
    StatusBar1->addPermanentWidget(CursorPanel);
    NCAD1->OnPointerMove = [this](double x, double y) { NCAD1PointerMove(x, y); };
    NCAD1->OnPointerLeave = [this] { CursorPanel->clear(); };

    NiceGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(NiceGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { RunGuarded([&] { NiceGrid1ContextMenu(pos); }); });
    NCAD1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(NCAD1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { RunGuarded([&] { NCAD1ContextMenu(pos); }); });

    EditMenu->addSeparator();
    EditFind = EditMenu->addAction("찾기…");
    EditFind->setShortcut(Qt::CTRL | Qt::Key_F);
    connect(EditFind, &QAction::triggered, this, [this] { RunGuarded([this] { EditFindClick(); }); });
    EditFindNext = EditMenu->addAction("다음 찾기");
    EditFindNext->setShortcut(Qt::Key_F3);
    connect(EditFindNext, &QAction::triggered, this,
            [this] { RunGuarded([this] { EditFindNextClick(); }); });
    EditMenu->addSeparator();
    // Window-wide, so it works from the view as from the table; a text field that has the
    // focus keeps Delete for itself (it claims the key before any shortcut).
    EditDelete = EditMenu->addAction("측점 삭제");
    EditDelete->setShortcut(Qt::Key_Delete);
    LinkMenu(EditDelete, btnGridDelPoint);
}

void TMainForm::SyncSelectionMark() {
    double x = 0, y = 0;
    if (rowPlan(*NiceGrid1, *NCAD1, NiceGrid1->SelectedRow(), x, y))
        NCAD1->SetMark(x, y);
    else
        NCAD1->ClearMark();
}

// The view moves only when the point would be out of sight, so that stepping through
// neighbouring rows does not make the drawing jump at every key.
void TMainForm::FollowSelection() {
    double x = 0, y = 0;
    if (!rowPlan(*NiceGrid1, *NCAD1, NiceGrid1->SelectedRow(), x, y))
        return;
    int px = 0, py = 0;
    NCAD1->WorldToScreen(px, py, x, y);
    const QRect inner =
        NCAD1->viewport()->rect().adjusted(kInViewMargin, kInViewMargin, -kInViewMargin, -kInViewMargin);
    if (inner.contains(px, py))
        return;
    NCAD1->SetCenter(x, y);
    NCAD1->Repaint();
}

void TMainForm::NCAD1PointPicked(const TPoint3D* point) {
    const int row = NiceGrid1->FindRowByTag(point);
    if (row < 0)
        return;
    NiceGrid1->SetSelectedRow(row);
    NiceGrid1->scrollTo(NiceGrid1->model()->index(row, kColID));
}

void TMainForm::NCAD1PointerMove(double e, double n) {
    double x = 0, y = 0; // the view reports the plan; the panel speaks the table's X and Y
    FromEastNorth({e, n}, NCAD1->AxisOrder(), x, y);
    const QString at = worldText(x, y);
    switch (NCAD1->MouseMode) {
    case mmAddPoint: CursorPanel->setText(QString::fromUtf8(kAddPrefix) + at); break;
    case mmSendPoint: CursorPanel->setText(QString::fromUtf8(kSendPrefix) + at); break;
    default: CursorPanel->setText(at); break;
    }
}

void TMainForm::NiceGrid1ContextMenu(const QPoint& pos) {
    const QModelIndex index = NiceGrid1->indexAt(pos);
    if (!index.isValid())
        return;
    NiceGrid1->SetSelectedRow(index.row());
    QMenu menu(this);
    const QAction* edit = menu.addAction("편집");
    const QAction* remove = menu.addAction("삭제");
    const QAction* centre = menu.addAction("보기 중심");
    // The chosen command runs once the menu has closed.
    const QAction* chosen = menu.exec(NiceGrid1->viewport()->mapToGlobal(pos));
    if (chosen == edit)
        NiceGrid1DblClick();
    else if (chosen == remove)
        btnGridDelPoint->click();
    else if (chosen == centre)
        NiceGrid1Click();
}

void TMainForm::NCAD1ContextMenu(const QPoint& pos) {
    QMenu menu(this);
    const QAction* add = menu.addAction("여기에 측점 추가");
    const QAction* all = menu.addAction("전체 보기");
    const QAction* chosen = menu.exec(NCAD1->viewport()->mapToGlobal(pos));
    if (chosen == add) {
        TEastNorth plan;
        NCAD1->ScreenToWorld(pos.x(), pos.y(), plan.E, plan.N);
        double x = 0, y = 0;
        FromEastNorth(plan, NCAD1->AxisOrder(), x, y);
        NCAD1AddedPoint(x, y);
    } else if (chosen == all) {
        btnFix->click();
    }
}

void TMainForm::EditFindClick() {
    if (!FindForm) {
        FindForm = new TFindForm(this);
        FindForm->OnFind = [this](const QString& text, bool whole) {
            m_findText = text;
            m_findWhole = whole;
            return FindRow(text, whole);
        };
        // Beside the drawing's upper right corner, clear of the table and the view's centre.
        FindForm->adjustSize();
        FindForm->move(NCAD1->mapToGlobal(QPoint(NCAD1->width() - FindForm->width() - 24, 24)));
    }
    FindForm->Start(m_findText, m_findWhole);
}

void TMainForm::EditFindNextClick() {
    if (m_findText.isEmpty()) {
        EditFindClick();
        return;
    }
    const QString note = FindRow(m_findText, m_findWhole);
    if (!note.isEmpty())
        StatusBar1->showMessage(note, kNoteTime);
}

QString TMainForm::FindRow(const QString& text, bool whole) {
    const QByteArray utf8 = text.trimmed().toUtf8();
    const std::string_view wanted(utf8.constData(), static_cast<size_t>(utf8.size()));
    if (wanted.empty())
        return {};
    const int rows = NiceGrid1->RowCount();
    const int start = NiceGrid1->SelectedRow() + 1;
    for (int i = 0; i < rows; ++i) {
        const int row = (start + i) % rows;
        if (!holds(NiceGrid1->CellUtf8(kColID, row), wanted, whole) &&
            !holds(NiceGrid1->CellUtf8(kColCode, row), wanted, whole))
            continue;
        NiceGrid1->SetSelectedRow(row);

        NiceGrid1->scrollTo(NiceGrid1->model()->index(row, kColID));
        return start > 0 && start + i >= rows ? QString::fromUtf8("표의 끝에서 처음으로 돌아와 찾았습니다.")
                                              : QString();
    }
    return QString::fromUtf8("찾는 측점이 없습니다: %1").arg(text.trimmed());
}
