// pointbridge-cli receive / upload: the instrument's two transfers without windows.
// receive waits for the first byte without limit, then takes bytes until the line has been
// idle for a while (or Ctrl-C) and writes them to OUT exactly as they came (NULs dropped,
// as the port drops them); OUT is replaced only when something came and the line did not
// hang up. A full disk under OUT does not end the receive: the rest still goes to the
// journal, and the end says where every byte is. upload sends a point
// file's rows in the upload line format, in steps; it fails when the instrument takes
// nothing for 10 seconds.
// Exit status: 0 done, 1 the port, a file or the transfer failed, 2 wrong arguments.
#include "app/cli/CliLoad.h"
#include "app/cli/CliSignals.h"
#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/InstrumentPort.h"
#include "comm/RecvFiles.h"
#include "comm/RecvSession.h"
#include "comm/UploadText.h"
#include "comm/UploadTransfer.h"
#include "io/FileError.h"
#include "io/PointImport.h"
#include "model/NCADProject.h"
#include "text/NumText.h"
#include "toolkit/Guard.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
    std::string port;
    double idleSeconds = 3.0;
    std::vector<std::string> files;
    // Line settings; empty keeps the program's fixed start value.
    std::string baud, dataBits, stopBits, parity, flow;
};

template <std::size_t N> int indexOf(const char* const (&texts)[N], const std::string& value) {
    for (std::size_t i = 0; i < N; ++i)
        if (strcasecmp(texts[i], value.c_str()) == 0)
            return static_cast<int>(i);
    return -1;
}

const char* const kLineOptionsHelp =
    "  --port DEV        serial device (/dev/ttyUSB0, /dev/pts/N, COM1 = /dev/ttyS0)\n"
    "  --baud N          bit rate (default 4800)\n"
    "  --data-bits N     5, 6, 7 or 8 (default 8)\n"
    "  --stop-bits N     1, 1.5 or 2 (default 1)\n"
    "  --parity P        none, odd, even, mark or space (default none)\n"
    "  --flow F          software, hardware or none (default software: XON/XOFF)\n";

// Parses the options every transfer shares, plus --idle for receive. False on a mistake,
// which has been printed.
bool parse(const char* command, int argc, char** argv, bool withIdle, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "pointbridge-cli %s: %s needs a value\n", command, a.c_str());
                return false;
            }
            out = argv[++i];
            return true;
        };
        bool ok = true;
        if (a == "--port")
            ok = value(o.port);
        else if (a == "--baud")
            ok = value(o.baud);
        else if (a == "--data-bits")
            ok = value(o.dataBits);
        else if (a == "--stop-bits")
            ok = value(o.stopBits);
        else if (a == "--parity")
            ok = value(o.parity);
        else if (a == "--flow")
            ok = value(o.flow);
        else if (withIdle && a == "--idle") {
            std::string text;
            ok = value(text) && TryStrToFloat(text, o.idleSeconds) && o.idleSeconds > 0 &&
                 o.idleSeconds < 86400;
            if (!ok && !text.empty())
                std::fprintf(stderr, "pointbridge-cli %s: --idle wants seconds, not '%s'\n",
                             command, text.c_str());
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "pointbridge-cli %s: unknown option '%s'\n", command, a.c_str());
            ok = false;
        } else
            o.files.push_back(a);
        if (!ok)
            return false;
    }
    if (o.port.empty() || o.files.size() != 1) {
        std::fprintf(stderr, "pointbridge-cli %s: needs --port DEV and one file\n", command);
        return false;
    }
    return true;
}

// The program's fixed line settings with the options' changes. False on a bad value.
bool configure(const char* command, const Options& o, TCustomComPort& port) {
    ApplyInstrumentSettings(port);
    port.SetPort(o.port);
    auto bad = [&](const char* what, const std::string& v) {
        std::fprintf(stderr, "pointbridge-cli %s: %s '%s' is not one of the choices\n", command,
                     what, v.c_str());
        return false;
    };
    if (!o.baud.empty()) {
        const int i = indexOf(ComText::kBaudRates, o.baud);
        double rate = 0;
        if (i > 0)
            port.SetBaudRate(static_cast<TBaudRate>(i));
        else if (TryStrToFloat(o.baud, rate) && rate >= 50 && rate <= 4000000 &&
                 rate == static_cast<int>(rate)) {
            port.SetBaudRate(brCustom);
            port.SetCustomBaudRate(static_cast<int>(rate));
        } else
            return bad("bit rate", o.baud);
    }
    if (!o.dataBits.empty()) {
        const int i = indexOf(ComText::kDataBits, o.dataBits);
        if (i < 0)
            return bad("data bits", o.dataBits);
        port.SetDataBits(static_cast<TDataBits>(i));
    }
    if (!o.stopBits.empty()) {
        const int i = indexOf(ComText::kStopBits, o.stopBits);
        if (i < 0)
            return bad("stop bits", o.stopBits);
        port.SetStopBits(static_cast<TStopBits>(i));
    }
    if (!o.parity.empty()) {
        const int i = indexOf(ComText::kParity, o.parity);
        if (i < 0)
            return bad("parity", o.parity);
        port.Parity().SetBits(static_cast<TParityBits>(i));
    }
    if (!o.flow.empty()) {
        const int i = indexOf(ComText::kFlowControl, o.flow);
        if (i < 0 || i == fcCustom)
            return bad("flow control", o.flow);
        port.FlowControl().SetFlowControl(static_cast<TFlowControl>(i));
    }
    return true;
}

int receiveUsage() {
    std::fprintf(stderr,
                 "usage: pointbridge-cli receive --port DEV [--idle S] [options] OUT\n"
                 "Waits for the instrument's first byte, then receives until the line has been\n"
                 "idle for S seconds (default 3) or Ctrl-C, and writes the bytes to OUT exactly\n"
                 "as they came. OUT is replaced only when something came and the line did not\n"
                 "hang up; every byte is also kept in the receive journal\n"
                 "(~/.local/share/PointBridge/receive-journal), where the messages point when\n"
                 "OUT could not be written.\n%s",
                 kLineOptionsHelp);
    return 2;
}

std::string counts(const TRecvSession& session) {
    return std::to_string(session.ByteCount()) + " bytes, " + std::to_string(session.LineCount()) +
           " lines";
}

// The counts on stderr as they grow: rewritten in place on a terminal, a line each otherwise.
class ProgressLine {
public:
    explicit ProgressLine(const TRecvSession& session)
        : m_session(session), m_tty(::isatty(STDERR_FILENO)) {}
    bool Tty() const { return m_tty; }
    void Show() {
        if (m_session.ByteCount() == m_shown)
            return;
        m_shown = m_session.ByteCount();
        std::fprintf(stderr, "%sreceived %s%s", m_tty ? "\r" : "", counts(m_session).c_str(),
                     m_tty ? "" : "\n");
        std::fflush(stderr);
    }
    void End() const {
        if (m_tty && m_session.ByteCount() > 0)
            std::fprintf(stderr, "\n");
    }

private:
    const TRecvSession& m_session;
    const bool m_tty;
    long long m_shown = -1;
};

// The journal, OUT and the port, in this order: a target that cannot be written is refused
// before the instrument is waited for. False when the receive cannot start, which was said.
bool startReceive(TRecvSession& session, TComPort& port, const std::string& outPath) {
    try {
        session.OpenJournal();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli receive: warning: no journal: %s\n", e.what());
    }
    try {
        // OUT is replaced only once data has come: until then the bytes go to a temporary
        // file beside it, and to the journal as the window keeps one.
        session.WriteTo(outPath);
        port.Open();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli receive: %s\n", e.what());
        return false;
    }
    session.Bind(&port);
    // A full disk does not end the receive: the rest of the transfer is still read.
    session.OnKeepFailed = [](const std::string& failed) {
        std::fprintf(stderr, "\npointbridge-cli receive: warning: %s; receiving goes on\n",
                     failed.c_str());
    };
    return true;
}

// Runs until the line has been idle after data, a signal comes or the port closes.
void waitForEnd(const TRecvSession& session, const std::string& portName) {
    ProgressLine progress(session);
    QSocketNotifier interrupted(CliSignals::WakeFd(), QSocketNotifier::Read);
    QObject::connect(&interrupted, &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (session.Idle())
            QCoreApplication::exit(0);
        else if (session.ByteCount() > 0)
            progress.Show();
    });
    tick.start(progress.Tty() ? 200 : 1000);
    // Ready: a script or a test may send the instrument's data or a signal from here on.
    std::fprintf(stderr, "waiting for the instrument on %s ...\n", portName.c_str());
    std::fflush(stderr);
    QCoreApplication::exec();
    tick.stop();
    progress.End();
}

// OUT replaced, or left as it was with where every byte is. The exit status.
int finishReceive(const TRecvSession& session, const std::string& outPath, bool hungUp,
                  const std::string& portError) {
    TRecvOutput& out = *session.Output();
    const long long bytes = session.ByteCount();
    const char* kept = "; %s left as it was; %s\n";
    if (hungUp && bytes == 0) {
        std::fprintf(stderr, "pointbridge-cli receive: the line hung up before anything came; %s left as it was\n",
                     outPath.c_str());
        return 1;
    }
    if (hungUp) {
        std::fprintf(stderr, "pointbridge-cli receive: the line hung up after %s", counts(session).c_str());
        std::fprintf(stderr, kept, outPath.c_str(), out.Where().c_str());
        return 1;
    }
    if (!portError.empty()) {
        std::fprintf(stderr, "pointbridge-cli receive: %s\n", portError.c_str());
        if (bytes > 0)
            std::fprintf(stderr, "pointbridge-cli receive: %s left as it was; %s\n", outPath.c_str(),
                         out.Where().c_str());
        return 1;
    }
    if (bytes == 0) {
        std::fprintf(stderr, "pointbridge-cli receive: nothing received; %s left as it was\n",
                     outPath.c_str());
        return 1;
    }
    if (!out.Commit()) {
        std::fprintf(stderr, "pointbridge-cli receive: received %s, but %s could not be written (%s)",
                     counts(session).c_str(), outPath.c_str(), out.OutFailure().c_str());
        std::fprintf(stderr, ": it is left as it was; %s\n", out.Where().c_str());
        return 1;
    }
    std::fprintf(stderr, "received %s into %s\n", counts(session).c_str(), outPath.c_str());
    return 0;
}

} // namespace

int RunReceiveCommand(int argc, char** argv) {
    Options o;
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        receiveUsage();
        return 0;
    }
    if (!parse("receive", argc, argv, true, o))
        return receiveUsage();
    const std::string& outPath = o.files[0];
    // Ctrl-C, SIGTERM and SIGHUP end the receive like an idle line does, what came is kept;
    // from the first moment, so that none strikes between opening the port and the loop.
    CliSignals::RequestWake();

    int qtArgc = 1;
    char name[] = "pointbridge-cli";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    // Errors that the port reports from its notifications come here. A hang-up reports a
    // failed read first; the close that follows tells it for what it is.
    std::string portError;
    Guard::SetReporter([&](const QString& message) {
        if (portError.empty())
            portError = message.toStdString();
        QTimer::singleShot(300, &app, [] { QCoreApplication::exit(1); });
    });

    TComPort port;
    if (!configure("receive", o, port))
        return 2;
    // Read what the event thread announced and no more: should another opener take the
    // bytes first, a read that waits for them would never end.
    port.Timeouts().SetReadInterval(-1);
    port.OnAfterClose = [&](TCustomComPort*) {
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(1); });
    };

    TRecvSession session;
    session.IdleAfter = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(o.idleSeconds));
    if (!startReceive(session, port, outPath))
        return 1;
    waitForEnd(session, o.port);

    const bool hungUp = port.LineHungUp();
    port.OnAfterClose = nullptr;
    try {
        port.Close();
    } catch (const EComPort& e) {
        std::fprintf(stderr, "pointbridge-cli receive: %s\n", e.what());
    }
    return finishReceive(session, outPath, hungUp, portError);
}

namespace {

// The rows of a point file as the point table would hold them.
class RowCollector : public TPointRowSink {
public:
    std::vector<TUploadRow> Rows;
    void AppendPointRow(const std::string (&cells)[5], TPoint3D*) override {
        Rows.push_back({cells[0], cells[1], cells[2], cells[3], cells[4]});
    }
};

int uploadUsage() {
    std::fprintf(stderr,
                 "usage: pointbridge-cli upload --port DEV [options] IN\n"
                 "Sends the points of IN (read as the import reads it) to the instrument, each\n"
                 "row as ID,X,Y,Z,CODE followed by LF CR CR LF. Fails when the instrument takes\n"
                 "nothing for 10 seconds; Ctrl-C cancels.\n%s",
                 kLineOptionsHelp);
    return 2;
}

} // namespace

int RunUploadCommand(int argc, char** argv) {
    Options o;
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        uploadUsage();
        return 0;
    }
    if (!parse("upload", argc, argv, false, o))
        return uploadUsage();
    const std::string& in = o.files[0];

    RowCollector rows;
    try {
        TNCADProject project;
        // An instrument file with records left out is not sent half.
        if (!LoadJobFile(in, project, &rows))
            return 1;
    } catch (const EPointLineError& e) {
        std::fprintf(stderr, "pointbridge-cli upload: %s:%d: %s\n", in.c_str(), e.Line(), e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli upload: %s\n", e.what());
        return 1;
    }

    TComPort port;
    if (!configure("upload", o, port))
        return 2;
    port.SetEvents({}); // nothing to wait for: no event thread

    int qtArgc = 1;
    char name[] = "pointbridge-cli";
    char* qtArgv[] = {name, nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    try {
        TUploadTransfer transfer(port, UploadWireText(rows.Rows));
        port.Open();
        // Ctrl-C and SIGTERM cancel the send; what still waits for the line is dropped.
        CliSignals::RequestWake();
        QSocketNotifier interrupted(CliSignals::WakeFd(), QSocketNotifier::Read);
        QObject::connect(&interrupted, &QSocketNotifier::activated, &transfer,
                         &TUploadTransfer::Cancel);
        QObject::connect(&transfer, &TUploadTransfer::Finished, &app, &QCoreApplication::quit);
        transfer.Start();
        app.exec();
        port.Close();
        using TState = TUploadTransfer::TState;
        switch (transfer.State()) {
        case TState::Done:
            std::fprintf(stderr, "sent %zu rows, %d bytes to %s\n", rows.Rows.size(), transfer.Total(),
                         PortLabel(port).c_str());
            return 0;
        case TState::Failed:
            std::rethrow_exception(transfer.Error());
        case TState::Stalled:
            std::fprintf(stderr, "pointbridge-cli upload: %s\n",
                         ShortWriteMessage(transfer.Sent(), transfer.Total()).c_str());
            return 1;
        default:
            std::fprintf(stderr, "pointbridge-cli upload: %s\n",
                         CancelledMessage(transfer.Sent(), transfer.Total()).c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli upload: %s\n", e.what());
        return 1;
    }
}
