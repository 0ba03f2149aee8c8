#include "comm/ComThread.h"

#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/SerialDevice.h"
#include "toolkit/Guard.h"

#include <QCoreApplication>
#include <QEvent>

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

// The notification message: the first user-defined number plus one.
const QEvent::Type kNotifyEvent = static_cast<QEvent::Type>(QEvent::User + 1);

class NotifyEvent : public QEvent {
public:
    explicit NotifyEvent(int code) : QEvent(kNotifyEvent), Code(code) {}
    const int Code;
};

void signal(int fd) {
    const std::uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void drain(int fd) {
    std::uint64_t value = 0;
    while (::read(fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

// Events the device wait reports through readable data.
bool wantsData(TComEvents events) {
    return events.Contains(evRxChar) || events.Contains(evRx80Full) ||
           events.Contains(evError) || events.Contains(evBreak);
}

} // namespace

TComNotifier::TComNotifier(TCustomComPort* port) : QObject(port), m_port(port) {}

void TComNotifier::customEvent(QEvent* event) {
    if (event->type() != kNotifyEvent || !m_port)
        return;
    const int code = static_cast<NotifyEvent*>(event)->Code;
    TCustomComPort* port = m_port;
    const bool releaseFirst = port->SyncMethod() == smWindowSync;
    if (releaseFirst)
        port->ReleaseEventThread();
    // An error while acting is shown and the port goes on working.
    RunGuarded([&] { port->ActOnNotification(code); });
    // Thread sync: the sender waits for the action; a handler that closed the port has
    // already ended the thread.
    if (!releaseFirst && m_port)
        port->ReleaseEventThread();
}

TComThread::TComThread(TCustomComPort* port, int fd, TComEvents events, TSyncMethod sync,
                       TComNotifier* notifier, int inputSize)
    : m_port(port), m_fd(fd), m_events(events), m_sync(sync), m_notifier(notifier),
      m_inputSize(inputSize) {
    m_stopFd = ::eventfd(0, EFD_CLOEXEC);
    m_releaseFd = ::eventfd(0, EFD_CLOEXEC);
    if (m_stopFd < 0 || m_releaseFd < 0) {
        const int error = errno;
        if (m_stopFd >= 0)
            ::close(m_stopFd);
        if (m_releaseFd >= 0)
            ::close(m_releaseFd);
        RaiseComError(TComErrorCode::Open, error);
    }
    m_thread = std::thread([this] { Execute(); });
}

TComThread::~TComThread() {
    Stop();
    ::close(m_stopFd);
    ::close(m_releaseFd);
}

void TComThread::Stop(bool purge) {
    if (!m_thread.joinable())
        return;
    m_purgeAtStop = purge;
    signal(m_stopFd);
    m_thread.join();
}

void TComThread::Release() { signal(m_releaseFd); }

void TComThread::Execute() {
    bool stopped = false;
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    if (ep >= 0) {
        epoll_event stop{};
        stop.events = EPOLLIN;
        stop.data.fd = m_stopFd;
        epoll_event device{};
        device.events = EPOLLET | (wantsData(m_events) ? EPOLLIN : 0u);
        device.data.fd = m_fd;
        if (::epoll_ctl(ep, EPOLL_CTL_ADD, m_stopFd, &stop) == 0 &&
            ::epoll_ctl(ep, EPOLL_CTL_ADD, m_fd, &device) == 0)
            stopped = WaitLoop(ep);
        ::close(ep);
    }
    if (stopped && m_purgeAtStop)
        SerialDevice::PurgeQueues(m_fd);
    timespec cpu{};
    if (::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) == 0)
        m_cpuTime = static_cast<std::int64_t>(cpu.tv_sec) * 1000000000 + cpu.tv_nsec;
}

// True when the stop signal ended it; false on a hang-up or a failed wait.
bool TComThread::WaitLoop(int ep) {
    m_haveCounters = SerialDevice::ReadLineCounters(m_fd, m_counters);
    for (;;) {
        epoll_event ready[2];
        const int n = ::epoll_wait(ep, ready, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        bool stopped = false;
        bool hangUp = false;
        TComEvents found;
        for (int i = 0; i < n; ++i) {
            if (ready[i].data.fd == m_stopFd) {
                stopped = true;
            } else if (ready[i].events & (EPOLLHUP | EPOLLERR)) {
                // A hung-up line also reads as readable, but nothing can be read any more.
                hangUp = true;
                found.Include(evError);
            } else if (ready[i].events & EPOLLIN) {
                found = TComEvents::FromBits(found.Bits() | ArrivalEvents().Bits());
            }
        }
        if (stopped)
            return true;
        Dispatch(TComEvents::FromBits(found.Bits() & m_events.Bits()));
        if (hangUp) {
            // The port closes on the user-interface thread; without one nobody could join us.
            if (m_sync != smNone)
                Send(ComNotify::kHangUp);
            return false; // the device reports nothing more; waiting on it would spin
        }
    }
}

// Events of one arrival of bytes: the bytes themselves, a filling queue, and line errors
// the driver counted meanwhile.
TComEvents TComThread::ArrivalEvents() {
    TComEvents found{evRxChar};
    int waiting = 0;
    if (m_inputSize > 0 && ::ioctl(m_fd, FIONREAD, &waiting) == 0 &&
        waiting * 5L >= m_inputSize * 4L)
        found.Include(evRx80Full);
    TLineCounters now;
    if (m_haveCounters && SerialDevice::ReadLineCounters(m_fd, now)) {
        if (now.Break != m_counters.Break)
            found.Include(evBreak);
        if (now.Frame != m_counters.Frame || now.Overrun != m_counters.Overrun ||
            now.Parity != m_counters.Parity || now.BufferOverrun != m_counters.BufferOverrun)
            found.Include(evError);
        m_counters = now;
    }
    return found;
}

void TComThread::Dispatch(TComEvents events) {
    using namespace ComNotify;
    static constexpr std::pair<TComEvent, int> kOrder[] = {
        {evError, kError}, {evRxChar, kRxChar}, {evTxEmpty, kTxEmpty}, {evBreak, kBreak},
        {evRing, kRing},   {evCTS, kCTS},       {evDSR, kDSR},         {evRxFlag, kRxFlag},
        {evRLSD, kRLSD},   {evRx80Full, kRx80Full}};
    for (auto [event, code] : kOrder)
        if (events.Contains(event) && !Send(code))
            return;
}

// Sends one notification and waits until it is taken (window sync) or acted on (thread
// sync). False when the stop signal came first.
bool TComThread::Send(int code) {
    if (m_sync == smNone) {
        try {
            m_port->ActOnNotification(code);
        } catch (...) {
            // No user-interface thread to report to; the event is lost, the thread goes on.
        }
        return true;
    }
    QCoreApplication::postEvent(m_notifier, new NotifyEvent(code));
    pollfd fds[2] = {{m_releaseFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (fds[1].revents & POLLIN))
            return false;
        if (fds[0].revents & POLLIN) {
            drain(m_releaseFd);
            return true;
        }
    }
}
