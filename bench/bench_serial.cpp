// 2 MB from a stand-in instrument through a pseudo-terminal pair into the main window's port
// settings, while the user-interface thread is busy 50 ms out of every 100 ms. Checks that
// nothing is lost or reordered; prints throughput and the event thread's processor time.
#include "comm/ComPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <pty.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr size_t kTotal = 2u << 20;

// Bytes of any value but NUL (dropped by DiscardNull) and XON/XOFF (flow control).
std::string makePayload() {
    std::string out;
    out.reserve(kTotal);
    std::uint32_t x = 12345;
    while (out.size() < kTotal) {
        x = x * 1664525u + 1013904223u;
        const char c = static_cast<char>(x >> 24);
        if (c != 0 && c != 0x11 && c != 0x13)
            out += c;
    }
    return out;
}

struct Result {
    double seconds = 0;
    double threadCpuMs = 0;
    int notifications = 0;
    bool intact = false;
};

Result run(const std::string& payload, bool busyUi) {
    int master = -1, slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        std::exit(1);
    }
    TComPort port;
    port.SetPort(name);
    port.SetBaudRate(br4800);
    port.FlowControl().SetFlowControl(fcSoftware);
    port.SetDiscardNull(true);
    port.Timeouts().SetReadInterval(100);
    port.Buffer().SetInputSize(8192);
    port.Buffer().SetOutputSize(8192);
    port.SetSyncMethod(smWindowSync);

    Result result;
    std::string received;
    received.reserve(kTotal);
    port.OnRxChar = [&](TCustomComPort* sender, int count) {
        ++result.notifications;
        std::string text;
        sender->ReadText(text, count);
        received += text;
        if (received.size() >= payload.size())
            QCoreApplication::quit();
    };
    // Busy from the first moment: 50 ms of work at the start of every 100 ms.
    auto work = [] {
        QElapsedTimer spin;
        spin.start();
        while (spin.elapsed() < 50) {
        }
    };
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, work);
    if (busyUi) {
        busy.start(100);
        QTimer::singleShot(0, work);
    }
    QTimer::singleShot(60000, [] { QCoreApplication::quit(); });

    port.Open();
    QElapsedTimer clock;
    clock.start();
    std::thread instrument([&] {
        size_t sent = 0;
        while (sent < payload.size()) {
            const ssize_t n = ::write(master, payload.data() + sent,
                                      std::min<size_t>(4096, payload.size() - sent));
            if (n > 0)
                sent += static_cast<size_t>(n);
        }
    });
    QCoreApplication::exec();
    result.seconds = clock.nsecsElapsed() / 1e9;
    instrument.join();
    port.Close();
    result.threadCpuMs = port.LastEventThreadCpuTime() / 1e6;
    result.intact = received == payload;
    ::close(master);
    ::close(slave);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string payload = makePayload();
    const double mb = payload.size() / double(1 << 20);
    bool ok = true;
    for (bool busyUi : {true, false}) {
        const Result r = run(payload, busyUi);
        ok = ok && r.intact;
        std::printf("%-28s %.1f MB in %.3f s = %.1f MB/s; %d notifications (%.0f bytes each); "
                    "event thread CPU %.1f ms = %.2f ms/MB; data %s\n",
                    busyUi ? "UI busy 50 ms of every 100:" : "UI idle:", mb, r.seconds,
                    mb / r.seconds, r.notifications,
                    r.notifications ? payload.size() / double(r.notifications) : 0.0,
                    r.threadCpuMs, r.threadCpuMs / mb,
                    r.intact ? "intact (no loss, no reordering)" : "CORRUPTED");
    }
    return ok ? 0 : 1;
}
