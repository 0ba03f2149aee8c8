#include "comm/DataRecv.h"

#include "comm/ComComboBox.h"
#include "comm/ComPort.h"
#include "comm/RecvFiles.h"
#include "io/PointImport.h"
#include "toolkit/Application.h"
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
// The line counts as idle after this long without a byte: the instrument has most likely
// finished (it sends its points without pauses).
constexpr auto kIdleAfter = std::chrono::seconds(2);
constexpr int kProgressInterval = 250; // ms

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

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressInterval);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { RunGuarded([this] { UpdateProgress(); }); });
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
    m_port = port;
    BindComboBoxes(Combos(), port);
}

void TDataRecvForm::AppendRecvText(const std::string& bytes) {
    if (PageControl1->currentWidget() != TabSheet1)
        PageControl1->setCurrentWidget(TabSheet1);
    if (bytes.empty())
        return;
    m_raw += bytes;
    m_lastArrival = std::chrono::steady_clock::now();

    // The text area shows one line per line end, whichever kind the instrument uses; a CR LF
    // split between two pieces is still one line end.
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : m_decoder.Feed(bytes)) {
        if (c == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            continue;
        }
        m_lastWasCr = c == '\r';
        if (c == '\r' || c == '\n') {
            ++m_lineEnds;
            shown += '\n';
        } else {
            shown += c;
        }
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

    try {
        if (!m_journal)
            m_journal = std::make_unique<TRecvJournal>(RecvFiles::JournalFolder());
        m_journal->Append(bytes);
    } catch (...) {
        // Reported once per receive, after this notification: the box must not hold up
        // the bytes still arriving.
        if (!m_journalReported) {
            m_journalReported = true;
            QTimer::singleShot(0, this, [error = std::current_exception()] {
                TApplication::HandleException(error);
            });
        }
    }
}

long long TDataRecvForm::RecvLineCount() const {
    const bool openLine = !m_raw.empty() && m_raw.back() != '\r' && m_raw.back() != '\n';
    return m_lineEnds + (openLine ? 1 : 0);
}

std::string TDataRecvForm::JournalPath() const { return m_journal ? m_journal->Path() : std::string(); }

QString TDataRecvForm::ProgressText() const {
    if (m_raw.empty())
        return QString::fromUtf8("측량기에서 데이터를 보내십시오. 수신 대기 중입니다.");
    const QLocale locale = QLocale::system();
    const QString counts = QString::fromUtf8("%1 바이트, %2 줄")
                               .arg(locale.toString(static_cast<qlonglong>(m_raw.size())),
                                    locale.toString(RecvLineCount()));
    if (m_port && m_port->LineHungUp()) {
        const bool open = m_raw.back() != '\r' && m_raw.back() != '\n';
        return QString::fromUtf8("연결 끊김: ") + counts +
               (open ? QString::fromUtf8(" (%1번째 줄이 잘렸습니다)").arg(RecvLineCount()) : QString());
    }
    const auto idle = std::chrono::steady_clock::now() - m_lastArrival;
    if (idle < kIdleAfter)
        return QString::fromUtf8("수신 중: ") + counts;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(idle).count();
    return QString::fromUtf8("수신 멈춤: %1 (%2초 동안 들어온 데이터 없음)").arg(counts).arg(seconds);
}

void TDataRecvForm::UpdateProgress() {
    lblProgress->setText(ProgressText());
    // Once the line is idle what arrived is also put on the disk, not only handed to it.
    if (m_journal && !m_raw.empty() &&
        std::chrono::steady_clock::now() - m_lastArrival >= kIdleAfter)
        m_journal->Sync();
}

void TDataRecvForm::ClearRecvText() {
    MsgStr->clear();
    m_raw.clear();
    m_decoder = Cp949::Decoder();
    m_lastWasCr = false;
    m_lineEnds = 0;
}

void TDataRecvForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TDataRecvForm::FormShow() {
    ClearRecvText();
    // A new receive, a new journal; the bytes that came while the window was hidden stay in
    // the last one.
    if (m_journal)
        m_journal->Restart();
    m_journalReported = false;
    m_handOverError = nullptr;
    m_lineHungUp = false;
    m_cutLine = 0;
    UpdateProgress();
    m_progressTimer->start();
}

void TDataRecvForm::done(int result) {
    bool canClose = false;
    RunGuarded([&] {
        FormCloseQuery();
        canClose = true;
    });
    if (!canClose)
        return;
    m_progressTimer->stop();
    QDialog::done(result);
}

void TDataRecvForm::FormCloseQuery() {
    if (!OnRecvData)
        return;
    const std::string path = RecvFiles::WriteBufferFile(m_raw);
    // After a hang-up a last line without its line end is a cut line: taken as it stands it
    // would be a wrong point (its last number read as the code). It is not handed over and
    // stays in temp.dat and the journal.
    m_lineHungUp = m_port && m_port->LineHungUp();
    const bool open = !m_raw.empty() && m_raw.back() != '\r' && m_raw.back() != '\n';
    m_cutLine = m_lineHungUp && open ? RecvLineCount() : 0;
    if (m_journal)
        m_journal->Sync();
    if (!MainRowCount || MainRowCount() == 0) {
        HandOver();
        return;
    }
    if (!Dialogs::Confirm(QString::fromUtf8("데이터를 새로운 창에서 전송받으시겠습니까?"))) {
        HandOver();
        return;
    }
    // The pause the instrument's users know from before; the windows keep painting.
    QEventLoop pause;
    QTimer::singleShot(SecondRunDelay, &pause, &QEventLoop::quit);
    pause.exec(QEventLoop::ExcludeUserInputEvents);
    if (!OnSecondRun)
        throw std::runtime_error("No program to start for a second window");
    // A failure leaves the window open: the user can import here instead (answer No).
    OnSecondRun(QString::fromStdString(path));
}

void TDataRecvForm::HandOver() {
    std::string_view whole(m_raw);
    if (m_cutLine > 0) {
        const size_t end = whole.find_last_of("\r\n");
        whole = end == std::string_view::npos ? std::string_view() : whole.substr(0, end + 1);
    }
    try {
        OnRecvData(TPointLines::FromFileBytes(std::string(whole)));
    } catch (...) {
        m_handOverError = std::current_exception();
    }
}

std::exception_ptr TDataRecvForm::TakeHandOverError() {
    std::exception_ptr error = m_handOverError;
    m_handOverError = nullptr;
    return error;
}
