#include "comm/forms/DataRecv.h"

#include "comm/InstrumentPort.h"

#include "comm/forms/ComComboBox.h"
#include "io/PointImport.h"
#include "toolkit/Application.h"
#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Fonts.h"

#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Client area, pixels.
constexpr int kWidth = 325;
constexpr int kHeight = 322;
constexpr int kButtonBand = 34;
constexpr int kProgressInterval = 250; // ms
// Characters the text area shows of one line; the rest is kept, only not shown.
constexpr long long kShownLineMax = 1000;
const char* const kElided = " … (긴 줄이라 앞부분만 보입니다)";

QLabel* moneyGreenBand(const QString& caption, QWidget* parent, int height) {
    auto* band = new QLabel(caption, parent);
    band->setGeometry(0, 0, kWidth, height);
    band->setAlignment(Qt::AlignCenter);
    band->setAutoFillBackground(true);
    QPalette green = band->palette();
    green.setColor(QPalette::Window, QColor(192, 220, 192)); // money green
    band->setPalette(green);
    return band;
}

} // namespace

TDataRecvForm::TDataRecvForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("데이터 받기(측량기 -> PC)"));
    QFont font(Fonts::kUiFamily);
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(kWidth, kHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // The main window's end ends the program, whatever this window is doing.
    setAttribute(Qt::WA_QuitOnClose, false);

    Panel1 = moneyGreenBand(QString::fromUtf8("입력 아이템 세부 항목 수정"), this, 26);

    PageControl1 = new QTabWidget(this);
    PageControl1->setGeometry(8, 32, 309, 249);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    PageControl1->addTab(TabSheet1, QString::fromUtf8("통신데이터"));
    PageControl1->addTab(TabSheet2, QString::fromUtf8("시리얼 통신 설정"));

    auto* page1 = new QVBoxLayout(TabSheet1);
    page1->setContentsMargins(2, 2, 2, 2);
    page1->setSpacing(2);
    MsgStr = new QPlainTextEdit(TabSheet1);
    MsgStr->setObjectName("MsgStr");
    MsgStr->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // What is handed over are the bytes as they arrived, so edits here would go nowhere.
    MsgStr->setReadOnly(true);
    MsgStr->setLineWrapMode(QPlainTextEdit::NoWrap);
    page1->addWidget(MsgStr, 1);
    lblProgress = new QLabel(TabSheet1);
    lblProgress->setObjectName("lblProgress");
    page1->addWidget(lblProgress);

    GroupBox1 = new QGroupBox(" Settings ", TabSheet2);
    GroupBox1->setGeometry(4, 4, 295, 212);
    const char* const captions[] = {"Port",      "Baud rate", "Data bits",
                                    "Stop bits", "Parity",    "Flow control"};
    const int tops[] = {16, 48, 79, 112, 144, 175};
    QLabel** labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    TComComboBox** combos[] = {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(captions[i], GroupBox1);
        label->setGeometry(10, tops[i] + 3, 66, 14);
        *labels[i] = label;
        auto* combo = new TComComboBox(GroupBox1);
        combo->setObjectName(QString("Combo%1").arg(i + 1));
        combo->setGeometry(80, tops[i], 189, 21);
        *combos[i] = combo;
    }
    const TComProperty properties[] = {cpPort,     cpBaudRate, cpDataBits,
                                       cpStopBits, cpParity,   cpFlowControl};
    for (int i = 0; i < 6; ++i) {
        try {
            (*combos[i])->SetComProperty(properties[i]);
        } catch (...) {
            // Only the port list can fail; the window is made all the same.
            m_portListError = std::current_exception();
        }
    }

    Panel2 = new QWidget(this);
    Panel2->setGeometry(0, kHeight - kButtonBand, kWidth, kButtonBand);
    Button2 = new QPushButton("&Ok", Panel2);
    Button2->setGeometry(80, (kButtonBand - 25) / 2, 75, 25);
    Button2->setDefault(true);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    Button1 = new QPushButton("&Cancel", Panel2);
    Button1->setGeometry(161, (kButtonBand - 25) / 2, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    m_session.OnArrived = [this](std::string_view bytes, bool afterQuiet) {
        AppendRecvText(bytes, afterQuiet);
    };
    m_session.OnKeepFailed = [this](const std::string& what) {
        // After this notification: the box must not hold up the bytes still arriving.
        QTimer::singleShot(0, this, [what] {
            TApplication::HandleException(std::make_exception_ptr(std::runtime_error(what)));
        });
    };

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressInterval);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        RunGuarded([this] { UpdateProgress(); });
        // The Ok the user chose to wait with, now that the transfer has ended.
        if (m_waitingForEnd && !StillSending())
            accept();
    });
    UpdateProgress();
}

TDataRecvForm::~TDataRecvForm() = default;

TComComboBoxes TDataRecvForm::Combos() const {
    return {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6};
}

TComComboBox* TDataRecvForm::Combo(int index) const {
    return index >= 0 && index < 6 ? Combos()[static_cast<size_t>(index)] : nullptr;
}

void TDataRecvForm::BindComPort(TCustomComPort* port) {
    if (PageControl1->currentWidget() != TabSheet1)
        PageControl1->setCurrentWidget(TabSheet1);
    m_session.Bind(port);
    BindComboBoxes(Combos(), port);
}

// The text area shows one line per line end, whichever kind the instrument uses, and of a
// very long line only its head: a 1 MB line in one block makes every append lay the whole
// block out again.
void TDataRecvForm::AppendRecvText(std::string_view bytes, bool afterQuiet) {
    // The data page comes forward when bytes begin to arrive, not at every piece: the user
    // may look at the settings page while a long transfer goes on.
    if (afterQuiet && PageControl1->currentWidget() != TabSheet1)
        PageControl1->setCurrentWidget(TabSheet1);
    const std::string decoded = m_decoder.Feed(bytes);
    std::string shown;
    shown.reserve(std::min<size_t>(decoded.size(), 4096));
    for (const char c : decoded) {
        const TLineEndScan::TKind kind = m_shownEnds.Next(c);
        if (kind == TLineEndScan::TKind::PairedLf)
            continue;
        if (kind == TLineEndScan::TKind::LineEnd) {
            m_shownInLine = 0;
            shown += '\n';
            continue;
        }
        // Counted per character (UTF-8 lead byte), so a character is never cut in two.
        const bool lead = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        if (lead)
            ++m_shownInLine;
        if (m_shownInLine <= kShownLineMax)
            shown += c;
        else if (lead && m_shownInLine == kShownLineMax + 1)
            shown += kElided;
    }
    if (!shown.empty()) {
        QScrollBar* bar = MsgStr->verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum();
        QTextCursor cursor(MsgStr->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())));
        if (atEnd)
            bar->setValue(bar->maximum());
    }
    UpdateProgress();
}

QString TDataRecvForm::WaitQuestion() {
    return QString::fromUtf8("측량기가 아직 데이터를 보내고 있습니다. 지금 닫으면 나머지는 받지 못합니다.\n"
                             "전송이 끝날 때까지 기다리시겠습니까?");
}

QString TDataRecvForm::ProgressText() const {
    if (m_session.ByteCount() == 0)
        return QString::fromUtf8("측량기에서 데이터를 보내십시오. 수신 대기 중입니다.");
    const QLocale locale = QLocale::system();
    const QString counts = QString::fromUtf8("%1 바이트, %2 줄")
                               .arg(locale.toString(m_session.ByteCount()),
                                    locale.toString(m_session.LineCount()));
    if (m_session.LineHungUp())
        return QString::fromUtf8("연결 끊김: ") + counts +
               (m_session.OpenLine()
                    ? QString::fromUtf8(" (%1번째 줄이 잘렸습니다)").arg(m_session.LineCount())
                    : QString());
    const auto idle = m_session.SinceLastByte();
    if (idle < IdleAfter)
        return QString::fromUtf8("수신 중: ") + counts +
               (m_waitingForEnd ? QString::fromUtf8(" (끝나면 닫습니다)") : QString());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(idle).count();
    return QString::fromUtf8("수신 멈춤: %1 (%2초 동안 들어온 데이터 없음)").arg(counts).arg(seconds);
}

void TDataRecvForm::UpdateProgress() {
    QString text = ProgressText();
    // The port in use, so that waiting on the wrong one shows at once.
    if (const TCustomComPort* port = Combo1->ComPort())
        text += QString::fromUtf8("\n포트: %1").arg(QString::fromStdString(PortLabel(*port)));
    lblProgress->setText(text);
    // Once the line is idle what arrived is also put on the disk, not only handed to it.
    if (m_session.Idle())
        m_session.SyncJournal();
}

void TDataRecvForm::ClearRecvText() {
    MsgStr->clear();
    m_session.ClearBytes();
    m_decoder = Cp949::Decoder();
    m_shownEnds = {};
    m_shownInLine = 0;
}

void TDataRecvForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TDataRecvForm::FormShow() {
    ClearRecvText();
    // A new receive, a new journal; the bytes that came while the window was hidden stay in
    // the last one.
    m_session.Restart();
    m_handOverError = nullptr;
    m_waitingForEnd = false;
    UpdateProgress();
    m_progressTimer->start();
}

void TDataRecvForm::done(int result) {
    bool canClose = false;
    RunGuarded([&] {
        m_waitingForEnd = false;
        if (result == Accepted && !OkWhileSending())
            return;
        FormCloseQuery();
        canClose = true;
    });
    if (!canClose)
        return;
    m_progressTimer->stop();
    QDialog::done(result);
}

bool TDataRecvForm::OkWhileSending() {
    if (!StillSending())
        return true;
    Dialogs::Box box{Catalog::Tk("Confirm"), WaitQuestion(), Dialogs::Icon::Question,
                     Dialogs::Buttons::YesNo};
    box.yesText = QString::fromUtf8("기다림");
    box.noText = QString::fromUtf8("받은 만큼 진행");
    const bool wait = Dialogs::Show(box) != Dialogs::Answer::No;
    if (!StillSending())
        return true; // the transfer ended while the question was open
    if (wait) {
        m_waitingForEnd = true;
        UpdateProgress();
        return false;
    }
    // The port closes as the receive command would close it after Ok.
    m_session.StopEarly();
    return true;
}

void TDataRecvForm::FormCloseQuery() {
    if (!OnRecvData)
        return;
    const bool newWindow = MainRowCount && MainRowCount() > 0 &&
                           Dialogs::Confirm(QString::fromUtf8("데이터를 새로운 창에서 전송받으시겠습니까?"));
    if (newWindow) {
        // The pause the instrument's users know from before; the windows keep painting.
        QEventLoop pause;
        QTimer::singleShot(SecondRunDelay, &pause, &QEventLoop::quit);
        pause.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // Bytes that came while the question was open belong to this receive too. When temp.dat
    // cannot be written (a full disk) the window still closes and hands the bytes over from
    // memory: a window that no button could close would only put them at risk.
    const std::string path = m_session.Finish();
    if (!newWindow) {
        HandOver();
        return;
    }
    if (path.empty())
        throw std::runtime_error(m_session.End().BufferError);
    if (!OnSecondRun)
        throw std::runtime_error("No program to start for a second window");
    // A failure leaves the window open: the user can import here instead (answer No).
    OnSecondRun(QString::fromStdString(path));
}

void TDataRecvForm::HandOver() {
    try {
        OnRecvData(TPointLines::FromFileBytes(std::string(m_session.WholeLines())));
    } catch (...) {
        m_handOverError = std::current_exception();
    }
}

std::exception_ptr TDataRecvForm::TakeHandOverError() {
    std::exception_ptr error = m_handOverError;
    m_handOverError = nullptr;
    return error;
}
