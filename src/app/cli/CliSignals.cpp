#include "app/cli/CliSignals.h"

#include "io/SafeFile.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<bool> g_wake{false};
std::atomic<int> g_received{0};

// Only async-signal-safe calls here: write, unlink, sigaction, raise.
void onSignal(int signal) {
    const int savedErrno = errno;
    int none = 0;
    if (g_wake.load() && g_received.compare_exchange_strong(none, signal)) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
        errno = savedErrno;
        return;
    }
    RemoveTemporaryFiles();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

} // namespace

namespace CliSignals {

void Install() {
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_pipe[0] = g_pipe[1] = -1;
    // SIGHUP: the terminal window was closed or the remote session dropped.
    const int handled[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (const int signal : handled)
        sigaddset(&sa.sa_mask, signal);
    sa.sa_flags = SA_RESTART;
    for (const int signal : handled) {
        // A signal ignored by whoever started us stays ignored (nohup, a background job).
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &sa, nullptr);
    }
}

void RequestWake() {
    if (g_pipe[1] >= 0)
        g_wake.store(true);
}

int WakeFd() { return g_pipe[0]; }

int Received() { return g_received.load(); }

} // namespace CliSignals
