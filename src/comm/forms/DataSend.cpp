#include "comm/forms/DataSend.h"

#include "comm/ComPort.h"
#include "comm/InstrumentPort.h"
#include "comm/UploadText.h"
#include "comm/UploadTransfer.h"
#include "text/NumText.h"
#include "toolkit/Application.h"
#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Fonts.h"
#include "toolkit/NiceGrid.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <stdexcept>

namespace {

// Client area, pixels.
constexpr int kWidth = 393;
constexpr int kHeight = 484;
constexpr int kTopBand = 37;
constexpr int kButtonBand = 34;

// Nearest multiple of 0.01; a half goes to the even neighbour (the default rounding mode).
// None near the double's limit, where the division overflows to inf.
std::optional<double> roundToCentimetre(double value) {
    const double rounded = std::nearbyint(value / 0.01) * 0.01;
    return std::isfinite(rounded) ? std::optional(rounded) : std::nullopt;
}

// The pictures of the two speed buttons, 16 by 16.
QIcon pickIcon() {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setPen(QPen(QColor(200, 0, 0), 1));
    g.drawLine(8, 1, 8, 14);
    g.drawLine(1, 8, 14, 8);
    g.drawEllipse(QPoint(8, 8), 4, 4);
    return QIcon(p);
}

// A small table with two strokes of `mark` over its lower right corner.
QIcon rowsIcon(const QColor& mark, QLine first, QLine second) {
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setPen(QColor(90, 90, 90));
    g.setBrush(Qt::white);
    g.drawRect(1, 3, 11, 10);
    g.drawLine(1, 6, 12, 6);
    g.setPen(QPen(mark, 2));
    g.drawLine(first);
    g.drawLine(second);
    return QIcon(p);
}

QIcon addRowIcon() { return rowsIcon(QColor(0, 130, 0), QLine(12, 7, 12, 15), QLine(8, 11, 15, 11)); }

QIcon deleteRowsIcon() { return rowsIcon(QColor(200, 0, 0), QLine(9, 8, 15, 14), QLine(15, 8, 9, 14)); }

} // namespace

TDataSendForm::TDataSendForm(QWidget* owner, TCustomComPort* port, TSendViewLink view)
    : QDialog(owner, Qt::Window | Qt::WindowStaysOnTopHint), m_port(port), m_view(std::move(view)) {
    setWindowTitle(QString::fromUtf8("데이터 보내기(PC -> 측량기)"));
    QFont font(Fonts::kUiFamily);
    font.setPixelSize(11);
    setFont(font);
    resize(kWidth, kHeight);
    // Never keeps the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel1 = new QLabel(QString::fromUtf8("  입력 아이템 세부 항목 수정(아이템 추가후 전송 버튼 클릭)"), this);
    Panel1->setFixedHeight(kTopBand);
    Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel1->setAutoFillBackground(true);
    QPalette green = Panel1->palette();
    green.setColor(QPalette::Window, QColor(192, 220, 192)); // money green
    Panel1->setPalette(green);
    column->addWidget(Panel1);

    auto makeSpeedButton = [this](int left, const QIcon& icon, const char* hint) {
        auto* b = new QToolButton(Panel1);
        b->setGeometry(left, 9, 23, 22);
        b->setIcon(icon);
        b->setAutoRaise(true);
        b->setToolTip(QString::fromUtf8(hint));
        return b;
    };
    SpeedButton1 = makeSpeedButton(364, pickIcon(), "화면에서 점을 골라 추가합니다.");
    SpeedButton2 = makeSpeedButton(340, addRowIcon(), "빈 줄을 추가합니다.");
    SpeedButton3 =
        makeSpeedButton(316, deleteRowsIcon(), "선택한 줄을 전송 목록에서 뺍니다 (Delete).");

    NiceGrid1 = new TNiceGrid(this);
    NiceGrid1->setObjectName("NiceGrid1");
    NiceGrid1->SetColumns({"ID", "X", "Y", "Z", "CODE"}, {30, 80, 80, 80, 80});
    NiceGrid1->SetEditable(true);
    // Several rows at once (Shift, Ctrl, the row numbers), so that a few can be kept or dropped.
    NiceGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    NiceGrid1->installEventFilter(this);
    column->addWidget(NiceGrid1, 1);

    Panel2 = new QWidget(this);
    Panel2->setFixedHeight(kButtonBand);
    column->addWidget(Panel2);
    Button2 = new QPushButton(QString::fromUtf8("전송"), Panel2);
    Button2->setGeometry(120, (kButtonBand - 25) / 2, 75, 25);
    Button2->setDefault(true);
    Button1 = new QPushButton(QString::fromUtf8("취소"), Panel2);
    Button1->setGeometry(201, (kButtonBand - 25) / 2, 75, 25);

    auto wire = [this](QAbstractButton* b, void (TDataSendForm::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    };
    wire(Button1, &TDataSendForm::Button1Click);
    wire(Button2, &TDataSendForm::Button2Click);
    wire(SpeedButton1, &TDataSendForm::SpeedButton1Click);
    wire(SpeedButton2, &TDataSendForm::SpeedButton2Click);
    wire(SpeedButton3, &TDataSendForm::SpeedButton3Click);

    move(0, 0); // its design position: the screen's top-left corner
}

void TDataSendForm::AddSendPoint(double X, double Y) {
    const auto x = roundToCentimetre(X), y = roundToCentimetre(Y);
    if (!x || !y)
        throw std::runtime_error("고른 점의 좌표(X " + QString::number(X).toStdString() + ", Y " +
                                 QString::number(Y).toStdString() +
                                 ")가 범위를 벗어나 측량기로 보낼 수 없습니다. 전송 목록에 추가하지 않았습니다.");
    // The row's own number, as the list has always named picks; after rows were deleted that
    // number may name another row already, and two points under one ID would reach the instrument.
    std::set<std::string> taken;
    for (int r = 0; r < NiceGrid1->RowCount(); ++r)
        taken.emplace(NiceGrid1->CellUtf8(0, r));
    int id = NiceGrid1->RowCount() + 1;
    while (taken.count(std::to_string(id)))
        ++id;
    const int row = NiceGrid1->AddRow();
    NiceGrid1->SetCellUtf8(0, row, std::to_string(id));
    NiceGrid1->SetCellUtf8(1, row, FormatFixed4(*x));
    NiceGrid1->SetCellUtf8(2, row, FormatFixed4(*y));
    NiceGrid1->SetCellUtf8(3, row, FormatFixed4(0.0));
    m_view.PointAdded();
}

void TDataSendForm::Button1Click() { hide(); }

void TDataSendForm::SpeedButton1Click() { m_view.StartPick(); }

void TDataSendForm::SpeedButton2Click() { NiceGrid1->AddRow(); }

void TDataSendForm::SpeedButton3Click() {
    std::set<int> rows;
    for (const QModelIndex& cell : NiceGrid1->selectionModel()->selectedIndexes())
        rows.insert(cell.row());
    // From the bottom up, so the rows still to go keep their numbers.
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        NiceGrid1->DeleteRow(*row);
    NiceGrid1->clearSelection();
}

// Delete on the table drops the selected rows. While a cell is being edited the key goes to
// its editor, which deletes characters as usual.
bool TDataSendForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == NiceGrid1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        (static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        RunGuarded([this] { SpeedButton3Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::string TDataSendForm::WireText() const {
    std::vector<TUploadRow> rows(static_cast<size_t>(NiceGrid1->RowCount()));
    for (int r = 0; r < NiceGrid1->RowCount(); ++r)
        for (int c = 0; c < 5; ++c)
            rows[static_cast<size_t>(r)][static_cast<size_t>(c)] = NiceGrid1->CellUtf8(c, r);
    return UploadWireText(rows);
}

void TDataSendForm::Button2Click() {
    const Dialogs::Box question{Catalog::Tk("Information"),
                                QString::fromUtf8("입력된 데이터를 측량기에 업로드 하시겠습니까?"),
                                Dialogs::Icon::Information, Dialogs::Buttons::YesNo};
    if (Dialogs::Show(question) == Dialogs::Answer::Yes && !Send())
        return; // the window stays for another try
    m_port->SetConnected(false);
    hide();
    m_view.Repaint();
}

// Sends in steps under a progress window with Cancel; the other windows keep painting.
// False when the user cancelled.
bool TDataSendForm::Send() {
    TUploadTransfer transfer(*m_port, WireText());
    if (!m_port->Connected())
        m_port->Open();
    transfer.StallLimit = StallLimit;
    QProgressDialog progress(QString::fromUtf8("측량기로 전송하는 중입니다..."),
                             QString::fromUtf8("취소"), 0, std::max(transfer.Total(), 1), this);
    progress.setWindowTitle(windowTitle());
    // The transfer holds the port: no receive or second upload until it ends.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    connect(&transfer, &TUploadTransfer::Progress, &progress, &QProgressDialog::setValue);
    connect(&transfer, &TUploadTransfer::Finished, &progress, [&progress] { progress.done(0); });
    connect(&progress, &QProgressDialog::canceled, &transfer, &TUploadTransfer::Cancel);
    transfer.Start();
    progress.exec();
    transfer.Cancel(); // the window closed some other way

    using TState = TUploadTransfer::TState;
    const int sent = transfer.Sent(), total = transfer.Total();
    // Every outcome names the port: a transfer to the wrong one must not pass for done.
    const std::string port = "\n포트: " + PortLabel(*m_port);
    switch (transfer.State()) {
    case TState::Done:
        Dialogs::ShowMessage(QString::fromUtf8("전송이 완료되었습니다.") +
                             QString::fromStdString(port + ", " + std::to_string(total) + " 바이트"));
        return true;
    case TState::Failed:
        std::rethrow_exception(transfer.Error());
    case TState::Stalled:
        m_port->SetConnected(false);
        throw std::runtime_error(ShortWriteMessage(sent, total) + port);
    default:
        m_port->SetConnected(false);
        Dialogs::ShowMessage(QString::fromStdString(CancelledMessage(sent, total) + port));
        return false;
    }
}
