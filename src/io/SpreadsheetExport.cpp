#include "io/SpreadsheetExport.h"

#include "io/CalcBlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

TSpreadsheetExport::TSpreadsheetExport(QObject* parent)
    : QObject(parent), m_helperPath(DefaultHelperPath()) {}

TSpreadsheetExport::~TSpreadsheetExport() {
    // The office keeps whatever it already has; only the helper is stopped.
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

QString TSpreadsheetExport::DefaultHelperPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("pointbridge-calc");
}

QString TSpreadsheetExport::HelperMissingText(const QString& path) {
    return QString("The spreadsheet helper pointbridge-calc was not found (%1). PointBridge was "
                   "built without the LibreOffice SDK; install the package libreoffice-dev and "
                   "build it again.")
        .arg(QDir::toNativeSeparators(path));
}

QString TSpreadsheetExport::ErrorText(int exitCode, QProcess::ExitStatus status,
                                      const QString& detail) {
    const QString more = detail.trimmed().isEmpty() ? QString() : "\n(" + detail.trimmed() + ")";
    if (status == QProcess::CrashExit)
        return "The spreadsheet helper stopped unexpectedly; the table may not have been copied." +
               more;
    switch (exitCode) {
    case CalcBlock::kExitOk:
        return {};
    case CalcBlock::kExitOfficeMissing:
    case 127: // the loader did not find the office's runtime libraries
        return "LibreOffice Calc was not found; install the package libreoffice-calc." + more;
    case CalcBlock::kExitNoConnection:
        return "LibreOffice did not answer within 60 seconds; the table was not copied." + more;
    case CalcBlock::kExitOfficeGone:
        return "LibreOffice closed while the table was being copied; the new sheet may be "
               "incomplete." +
               more;
    case CalcBlock::kExitStartFailed:
        return "LibreOffice could not be started." + more;
    case CalcBlock::kExitOfficeError:
        return "LibreOffice Calc reported an error: " + detail.trimmed();
    case CalcBlock::kExitBadBlock:
        return "The spreadsheet helper could not read the table." + more;
    default:
        return QString("The spreadsheet helper failed (exit code %1).").arg(exitCode) + more;
    }
}

void TSpreadsheetExport::Start(std::string block) {
    if (Running())
        throw ESpreadsheetExport("A spreadsheet export is already running.");
    const QFileInfo helper(m_helperPath);
    if (!helper.isFile() || !helper.isExecutable())
        throw ESpreadsheetExport(HelperMissingText(m_helperPath).toStdString());

    m_error.clear();
    m_detail.clear();
    m_timedOut = false;
    m_cancelled = false;
    m_process = new QProcess(this);
    // The helper's own diagnostics (and the office runtime's) are of no use to the user.
    m_process->setStandardErrorFile(QProcess::nullDevice());
    connect(m_process, &QProcess::finished, this, &TSpreadsheetExport::HelperFinished);
    connect(m_process, &QProcess::errorOccurred, this, &TSpreadsheetExport::HelperError);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &TSpreadsheetExport::ReadOutput);
    m_watchdog = new QTimer(this);
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &TSpreadsheetExport::TimedOut);

    m_process->start(m_helperPath, {}, QIODevice::ReadWrite);
    if (!m_process) // failed to start; HelperError has already finished the export
        return;
    m_watchdog->start(m_timeLimit);
    // The pipe takes what it can now; the rest follows from the event loop.
    m_process->write(block.data(), qint64(block.size()));
    m_process->closeWriteChannel();
}

bool TSpreadsheetExport::Running() const {
    return m_process != nullptr;
}

void TSpreadsheetExport::WaitForFinished() {
    if (!Running())
        return;
    QEventLoop loop;
    connect(this, &TSpreadsheetExport::Finished, &loop, &QEventLoop::quit);
    loop.exec();
}

void TSpreadsheetExport::Cancel() {
    if (!Running())
        return;
    m_cancelled = true;
    m_process->kill();
}

void TSpreadsheetExport::ReadOutput() {
    const QByteArray told(CalcBlock::kRowsCopied);
    while (m_process->canReadLine()) {
        const QByteArray line = m_process->readLine();
        if (line.startsWith(told))
            emit RowsCopied(line.mid(told.size()).trimmed().toInt());
        else
            m_detail += QString::fromUtf8(line);
    }
}

void TSpreadsheetExport::CheckResult() const {
    if (!m_error.isEmpty())
        throw ESpreadsheetExport(m_error.toStdString());
}

void TSpreadsheetExport::HelperFinished(int exitCode, QProcess::ExitStatus status) {
    if (m_cancelled) {
        Done(QString());
        return;
    }
    if (m_timedOut) {
        Done(QString("LibreOffice Calc did not finish within %1 seconds; the export was stopped.")
                 .arg(m_timeLimit / 1000));
        return;
    }
    ReadOutput();
    const QString detail = m_detail + QString::fromUtf8(m_process->readAllStandardOutput());
    Done(ErrorText(exitCode, status, detail));
}

void TSpreadsheetExport::HelperError(QProcess::ProcessError error) {
    // Other errors (a crash, a broken pipe) are followed by finished().
    if (error == QProcess::FailedToStart)
        Done(QString("The spreadsheet helper could not be started (%1): %2")
                 .arg(QDir::toNativeSeparators(m_helperPath), m_process->errorString()));
}

void TSpreadsheetExport::TimedOut() {
    m_timedOut = true;
    m_process->kill();
}

void TSpreadsheetExport::Done(const QString& error) {
    m_error = error;
    m_watchdog->stop();
    m_watchdog->deleteLater();
    m_watchdog = nullptr;
    m_process->disconnect(this);
    m_process->deleteLater();
    m_process = nullptr;
    emit Finished();
}
