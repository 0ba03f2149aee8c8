#pragma once

#include "comm/RecvSession.h"
#include "text/Cp949.h"

#include <QDialog>

#include <array>
#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

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

// Hands the received lines over (the main window's ImportPointLines).
using TOnRecvData = std::function<void(const TPointLines& RecvDatas)>;

// The receive window: shows the text arriving from the instrument and, on a second page,
// the port's settings for the next receive. Made once and shown modally for every receive.
// What arrives, and what becomes of it, is its session's; the window shows the bytes
// decoded from CP949 and asks the user what to do at the end.
class TDataRecvForm : public QDialog {
    Q_OBJECT
    // Before the members that refer into it.
    TRecvSession m_session;

public:
    // Reads the system's port list. When that fails the window is still made complete (the
    // port list then holds only the port in use) and the error waits in PortListError().
    explicit TDataRecvForm(QWidget* parent = nullptr);
    ~TDataRecvForm() override;

    // The session takes the port's bytes; the settings page shows the port's values.
    void BindComPort(TCustomComPort* port);
    TRecvSession& Session() { return m_session; }
    const TRecvSession& Session() const { return m_session; }

    // The bytes received since the window was last shown.
    const std::string& RecvBytes() const { return m_session.Bytes(); }
    long long RecvLineCount() const { return m_session.LineCount(); }
    QString ProgressText() const;
    std::exception_ptr PortListError() const { return m_portListError; }
    std::string JournalPath() const { return m_session.JournalPath(); }
    bool StillSending() const { return m_session.StillSending(); }
    // After Ok while bytes keep coming the user chose to wait: the window closes by itself,
    // as with Ok, once the line is idle.
    bool WaitingForEnd() const { return m_waitingForEnd; }
    static QString WaitQuestion();

    TOnRecvData OnRecvData;
    // Rows of the main window's point table: with rows the user is asked where the data goes.
    std::function<int()> MainRowCount;
    // Starts a second run of the program on the given file; throws when it cannot.
    std::function<void(const QString& path)> OnSecondRun;
    // Milliseconds between the answer Yes and the start of the second run.
    int SecondRunDelay = 1000;
    // The session's: after this long without a byte the line counts as idle.
    std::chrono::steady_clock::duration& IdleAfter = m_session.IdleAfter;

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
    // Empties the text area and the bytes behind it.
    void ClearRecvText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    // Shows bytes the session took.
    void AppendRecvText(std::string_view bytes, bool afterQuiet);
    // False keeps the window open, waiting for the end of the transfer.
    bool OkWhileSending();
    // Throws to keep the window open.
    void FormCloseQuery();
    void HandOver();
    void UpdateProgress();

    bool m_waitingForEnd = false;
    Cp949::Decoder m_decoder;
    TLineEndScan m_shownEnds;
    long long m_shownInLine = 0; // characters of the current line in the text area
    QTimer* m_progressTimer = nullptr;
    std::exception_ptr m_portListError;
    std::exception_ptr m_handOverError;
};
