#pragma once

#include "text/Cp949.h"

#include <QDialog>

#include <array>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class TComComboBox;
using TComComboBoxes = std::array<TComComboBox*, 6>;
class TCustomComPort;
class TPointLines;
class TRecvJournal;

// Hands the received lines over (the main window's ImportPointLines).
using TOnRecvData = std::function<void(const TPointLines& RecvDatas)>;

// The receive window: shows the text arriving from the instrument and, on a second page,
// the port's settings for the next receive. Made once and shown modally for every receive.
// The bytes are kept exactly as they arrived; the text area shows them decoded from CP949.
class TDataRecvForm : public QDialog {
    Q_OBJECT
public:
    // Reads the system's port list. When that fails the window is still made complete (the
    // port list then holds only the port in use) and the error waits in PortListError().
    explicit TDataRecvForm(QWidget* parent = nullptr);
    ~TDataRecvForm() override;

    void BindComPort(TCustomComPort* port);
    // Appends received bytes: the raw buffer, the journal and the text area.
    void AppendRecvText(const std::string& bytes);

    // The bytes received since the window was last shown.
    const std::string& RecvBytes() const { return m_raw; }
    // Line ends received so far, a last unfinished line counted as well.
    long long RecvLineCount() const;
    QString ProgressText() const;
    std::exception_ptr PortListError() const { return m_portListError; }
    // The journal of the current receive; empty until its first byte.
    std::string JournalPath() const;
    // The journal holds every byte of this receive (none failed to be written).
    bool JournalComplete() const;
    // Bytes keep coming: the port is open and the last ones came less than the idle time
    // ago (the status line does not say "수신 멈춤" yet).
    bool StillSending() const;
    // After Ok while bytes keep coming the user chose to wait: the window closes by itself,
    // as with Ok, once the line is idle.
    bool WaitingForEnd() const { return m_waitingForEnd; }
    static QString WaitQuestion();

    // At the last close: whether the line had hung up; whether the receive ended while the
    // instrument was still sending (Ok without waiting, or Cancel); the number of the last
    // line if it came without its line end in either case and was therefore not handed over
    // (0: none was cut); why temp.dat could not be written (empty: it was).
    bool LineHungUp() const { return m_lineHungUp; }
    bool EndedEarly() const { return m_endedEarly; }
    long long CutLine() const { return m_cutLine; }
    const QString& BufferFileError() const { return m_bufferError; }

    TOnRecvData OnRecvData;
    // Rows of the main window's point table: with rows the user is asked where the data goes.
    std::function<int()> MainRowCount;
    // Starts a second run of the program on the given file; throws when it cannot.
    std::function<void(const QString& path)> OnSecondRun;
    // Milliseconds between the answer Yes and the start of the second run.
    int SecondRunDelay = 1000;
    // The line counts as idle after this long without a byte: the instrument has most
    // likely finished (it sends its points without pauses).
    std::chrono::milliseconds IdleAfter{2000};

    QLabel* Panel1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QPlainTextEdit* MsgStr = nullptr;
    QLabel* lblProgress = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    TComComboBox* Combo1 = nullptr;
    TComComboBox* Combo2 = nullptr;
    TComComboBox* Combo3 = nullptr;
    TComComboBox* Combo4 = nullptr;
    TComComboBox* Combo5 = nullptr;
    TComComboBox* Combo6 = nullptr;
    QWidget* Panel2 = nullptr;
    QPushButton* Button1 = nullptr; // Cancel
    QPushButton* Button2 = nullptr; // OK

    TComComboBoxes Combos() const;
    TComComboBox* Combo(int index) const; // 0 to 5, Combo1 to Combo6

    // An error of the handing over at the last close (the window closes anyway, so the
    // text is not handed over twice); taken by the receive command.
    std::exception_ptr TakeHandOverError();

    void done(int result) override;
    // Empties the text area and the buffer behind it.
    void ClearRecvText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    // False keeps the window open, waiting for the end of the transfer.
    bool OkWhileSending();
    void StopReceiving();
    // Throws to keep the window open.
    void FormCloseQuery();
    void SettleCutLine();
    std::string KeepBytes();
    void HandOver();
    void ShowArrived(const std::string& decoded);
    void UpdateProgress();

    std::string m_raw;
    TCustomComPort* m_port = nullptr;
    bool m_lineHungUp = false;
    bool m_endedEarly = false;
    bool m_waitingForEnd = false;
    long long m_cutLine = 0;
    QString m_bufferError;
    Cp949::Decoder m_decoder;
    bool m_lastWasCr = false; // a CR ended the last piece: an LF opening the next is its pair
    long long m_lineEnds = 0;
    long long m_shownInLine = 0; // characters of the current line in the text area
    std::chrono::steady_clock::time_point m_lastArrival{};
    std::unique_ptr<TRecvJournal> m_journal;
    bool m_journalReported = false;
    QTimer* m_progressTimer = nullptr;
    std::exception_ptr m_portListError;
    std::exception_ptr m_handOverError;
};
