#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <exception>
#include <stdexcept>
#include <string>

class QTimer;

// A failed spreadsheet export; the message says what went wrong in words for the user.
class ESpreadsheetExport : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Copies a table block (io/CalcBlock.h) into a new LibreOffice Calc sheet through the helper
// program pointbridge-calc. The helper alone talks to the office, so a hang or crash there
// cannot take the program down; we wait for it without blocking the event loop.
class TSpreadsheetExport : public QObject {
    Q_OBJECT
public:
    explicit TSpreadsheetExport(QObject* parent = nullptr);
    ~TSpreadsheetExport() override;

    // pointbridge-calc beside the running program.
    static QString DefaultHelperPath();
    void SetHelperPath(const QString& path) { m_helperPath = path; }
    QString HelperPath() const { return m_helperPath; }

    // Longest wait for the helper (milliseconds) before it is stopped. It allows the helper's
    // own 60 s for connecting plus time for the office to take a large table.
    void SetTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }

    // Starts the helper with `block`. Throws ESpreadsheetExport when an export is already
    // running or the helper is missing; other failures arrive with Finished().
    void Start(std::string block);
    bool Running() const;

    // Blocks until the running export ends (for programs without an event loop of their own).
    void WaitForFinished();

    // Stops the helper of the running export; Finished() follows. The office keeps what it
    // already has in its new, unsaved sheet.
    void Cancel();
    // The last finished export was stopped by Cancel().
    bool Cancelled() const { return m_cancelled; }

    // Throws the failure of the last finished export, if it failed.
    void CheckResult() const;

    // The user's message for a helper that ended with `exitCode` and printed `detail`.
    static QString ErrorText(int exitCode, QProcess::ExitStatus status, const QString& detail);
    static QString HelperMissingText(const QString& path);

signals:
    // The helper has copied this many rows of the block so far.
    void RowsCopied(int rows);
    void Finished();

private:
    void ReadOutput();
    void HelperFinished(int exitCode, QProcess::ExitStatus status);
    void HelperError(QProcess::ProcessError error);
    void TimedOut();
    void Done(const QString& error);

    QString m_helperPath;
    int m_timeLimit = 180000;
    QProcess* m_process = nullptr;
    QTimer* m_watchdog = nullptr;
    QString m_error;
    QString m_detail;
    bool m_timedOut = false;
    bool m_cancelled = false;
};
