#include "comm/SerialDevice.h"

#include "comm/ComError.h"

#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;
constexpr std::uint32_t kAllBits = 0xFFFFFFFFu;

speed_t standardSpeed(int rate) {
    switch (rate) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

tcflag_t sizeFlag(int dataBits) {
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

// Milliseconds left until `deadline` for poll(): -1 = no limit, 0 = expired.
int msUntil(const std::optional<Clock::time_point>& deadline) {
    if (!deadline)
        return -1;
    const auto left = std::chrono::ceil<Ms>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

std::optional<Clock::time_point> totalDeadline(Clock::time_point start, std::uint32_t multiplier,
                                               std::uint32_t constant, int count) {
    if (multiplier == 0 && constant == 0)
        return std::nullopt;
    const unsigned long long ms = static_cast<unsigned long long>(multiplier) *
                                      static_cast<unsigned long long>(count) + constant;
    return start + Ms(static_cast<long long>(std::min<unsigned long long>(ms, 1ull << 40)));
}

// Waits for `events` on fd; false when the time ran out. Retries EINTR.
bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            return true; // let the next read or write report the error
    }
}

} // namespace

SerialDevice::~SerialDevice() { Close(); }

void SerialDevice::fail(TComErrorCode code) const { fail(code, errno); }

void SerialDevice::fail(TComErrorCode code, int osError) const { RaiseComError(code, osError, m_path); }

void SerialDevice::Open(const std::string& path) {
    Close();
    m_path = path;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(TComErrorCode::Open);
    auto refuse = [this, fd](int error) {
        ::close(fd);
        fail(TComErrorCode::Open, error);
    };
    // TIOCEXCL does not stop root (CAP_SYS_ADMIN), so we also take a lock; a second opener
    // in this or another program gets "busy" either way.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        refuse(errno == EWOULDBLOCK ? EBUSY : errno);
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0) // not a terminal at all
        refuse(errno);
    bool exclusive = ::ioctl(fd, TIOCEXCL) == 0;
    if (!exclusive && errno != ENOTTY && errno != EINVAL)
        refuse(errno);
    termios raw = saved;
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    // VMIN 1 with O_NONBLOCK: an empty queue reads EAGAIN, so 0 bytes only means hang-up.
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &raw) != 0) {
        const int error = errno;
        if (exclusive)
            ::ioctl(fd, TIOCNXCL);
        refuse(error);
    }
    ::tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    m_exclusive = exclusive;
    m_saved = saved;
    m_savedValid = true;
    m_counters = {};
    ReadLineCounters(fd, m_counters);
}

void SerialDevice::Close() noexcept {
    if (m_fd < 0)
        return;
    if (m_savedValid)
        ::tcsetattr(m_fd, TCSANOW, &m_saved);
    if (m_exclusive)
        ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd); // also releases the lock
    m_fd = -1;
    m_exclusive = false;
    m_savedValid = false;
}

void SerialDevice::SetQueueSizes(int inputSize, int outputSize) {
    // Linux terminals have queues of a fixed size; the sizes are only checked here.
    if (inputSize < 0 || outputSize < 0)
        fail(TComErrorCode::QueueSizes, EINVAL);
    if (::fcntl(m_fd, F_GETFL) < 0)
        fail(TComErrorCode::QueueSizes);
}

void SerialDevice::SetTimeouts(const TDeviceTimeouts& timeouts) {
    // Our reads and writes apply them; the driver keeps none.
    if (::fcntl(m_fd, F_GETFL) < 0)
        fail(TComErrorCode::Timeouts);
    m_timeouts = timeouts;
}

void SerialDevice::SetLine(const TDeviceControl& control) {
    applyTermios(control);
    applyModemControl(control);
    m_discardNull = control.DiscardNull;
    m_parityCheck = control.ParityCheck;
}

// What Linux lacks, and what we do instead:
// - 1.5 stop bits: CSTOPB, which a 16550 sends as 1.5 stop bits with 5 data bits;
// - DSR flow control of output, DSR sensitivity, DTR handshake, RTS toggle: no termios flag;
//   DTR is then held on, RTS follows CRTSCTS or stays as set;
// - keep sending after XOFF was sent: Linux always does;
// - replacing bytes that fail the parity check: PARMRK only marks them with 0xFF 0x00 in
//   the data, which would change the text, so such bytes come through unchanged;
// - dropping NUL bytes: done by Read;
// - the XON/XOFF limits: the line discipline has fixed thresholds;
// - the event character: no driver support, so no evRxFlag.
void SerialDevice::applyTermios(const TDeviceControl& c) {
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0)
        fail(TComErrorCode::LineSettings);
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= sizeFlag(c.DataBits);
    switch (c.Parity) {
    case prNone: break;
    case prOdd: t.c_cflag |= PARENB | PARODD; break;
    case prEven: t.c_cflag |= PARENB; break;
    case prMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case prSpace: t.c_cflag |= PARENB | CMSPAR; break;
    }
    if (c.StopBits != sbOneStopBit)
        t.c_cflag |= CSTOPB;
    if (c.OutCtsFlow || c.RtsControl == rtsHandshake)
        t.c_cflag |= CRTSCTS;

    t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY | IGNPAR | PARMRK);
    if (c.ParityCheck)
        t.c_iflag |= INPCK;
    if (c.XonXoffOut)
        t.c_iflag |= IXON;
    if (c.XonXoffIn)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(c.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(c.XoffChar);

    const speed_t speed = standardSpeed(c.BaudRate);
    const speed_t placeholder = speed != B0 ? speed : B38400;
    ::cfsetispeed(&t, placeholder);
    ::cfsetospeed(&t, placeholder);
    if (::tcsetattr(m_fd, TCSANOW, &t) != 0)
        fail(TComErrorCode::LineSettings);
    // tcsetattr succeeds when any one change took; read back what the driver kept.
    termios back{};
    if (::tcgetattr(m_fd, &back) != 0)
        fail(TComErrorCode::LineSettings);
    const tcflag_t cmask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    const tcflag_t imask = INPCK | IXON | IXOFF;
    if ((back.c_cflag & cmask) != (t.c_cflag & cmask) ||
        (back.c_iflag & imask) != (t.c_iflag & imask) || back.c_cc[VSTART] != t.c_cc[VSTART] ||
        back.c_cc[VSTOP] != t.c_cc[VSTOP])
        fail(TComErrorCode::LineSettings, EINVAL);
    if (speed == B0) {
        if (c.BaudRate <= 0)
            fail(TComErrorCode::LineSettings, EINVAL);
        if (const int error = SetOtherBaudRate(m_fd, c.BaudRate))
            fail(TComErrorCode::LineSettings, error);
    } else if (::cfgetospeed(&back) != speed) {
        fail(TComErrorCode::LineSettings, EINVAL);
    }
}

void SerialDevice::applyModemControl(const TDeviceControl& c) {
    auto setLine = [this](int bit, bool on) {
        if (::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bit) != 0 && errno != ENOTTY &&
            errno != EINVAL)
            fail(TComErrorCode::LineSettings);
    };
    setLine(TIOCM_DTR, c.DtrControl != dtrDisable);
    if (!(c.OutCtsFlow || c.RtsControl == rtsHandshake))
        setLine(TIOCM_RTS, c.RtsControl != rtsDisable);
}

int SerialDevice::Read(char* buffer, int count) {
    if (count <= 0)
        return 0;
    const TDeviceTimeouts& t = m_timeouts;
    const bool returnAtOnce =
        t.ReadInterval == kAllBits && t.ReadTotalMultiplier == 0 && t.ReadTotalConstant == 0;
    // All bits in the interval and the multiplier: return as soon as anything is there,
    // waiting at most the constant for the first byte.
    const bool firstByteEnds = t.ReadInterval == kAllBits && t.ReadTotalMultiplier == kAllBits &&
                               t.ReadTotalConstant != 0 && t.ReadTotalConstant != kAllBits;
    const auto start = Clock::now();
    const auto total = firstByteEnds ? std::optional(start + Ms(t.ReadTotalConstant))
                                     : totalDeadline(start, t.ReadTotalMultiplier,
                                                     t.ReadTotalConstant, count);
    const bool useInterval = t.ReadInterval != 0 && t.ReadInterval != kAllBits;

    int taken = 0; // bytes taken from the queue
    int kept = 0;  // bytes kept in the buffer (NULs dropped)
    Clock::time_point lastByte{};
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer + kept, static_cast<size_t>(count - taken));
        if (n > 0) {
            taken += static_cast<int>(n);
            if (m_discardNull) {
                char* from = buffer + kept;
                kept = static_cast<int>(std::remove(from, from + n, '\0') - buffer);
            } else {
                kept += static_cast<int>(n);
            }
            lastByte = Clock::now();
            if (taken == count || firstByteEnds)
                break;
            continue;
        }
        if (n == 0) {
            // The other side hung up: the line reads 0 bytes from now on.
            if (taken > 0)
                break;
            fail(TComErrorCode::Read, EIO);
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            fail(TComErrorCode::Read);
        if (returnAtOnce)
            break;
        std::optional<Clock::time_point> deadline = total;
        if (taken > 0 && useInterval) {
            const auto gapEnd = lastByte + Ms(t.ReadInterval);
            deadline = deadline ? std::min(*deadline, gapEnd) : gapEnd;
        }
        const int wait = msUntil(deadline);
        if (wait == 0 || !waitFor(m_fd, POLLIN, wait))
            break;
    }
    return kept;
}

int SerialDevice::Write(const char* data, int count) {
    if (count <= 0)
        return 0;
    const auto deadline = totalDeadline(Clock::now(), m_timeouts.WriteTotalMultiplier,
                                        m_timeouts.WriteTotalConstant, count);
    int sent = 0;
    for (;;) {
        sent += WriteSome(data + sent, count - sent);
        if (sent == count)
            break;
        const int wait = msUntil(deadline);
        if (wait == 0 || !waitFor(m_fd, POLLOUT, wait))
            break;
    }
    // The write is complete when the bytes have left the output queue, not when the
    // driver took them: a purge at close must not cut the end of an upload.
    if (!deadline) {
        if (::tcdrain(m_fd) != 0 && errno != ENOTTY && errno != EINVAL)
            fail(TComErrorCode::Write);
        return sent;
    }
    for (;;) {
        int queued = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return sent;
        const int wait = msUntil(deadline);
        if (wait == 0)
            return std::max(0, sent - queued);
        std::this_thread::sleep_for(Ms(std::min(wait, 5)));
    }
}

int SerialDevice::WriteSome(const char* data, int count) {
    int taken = 0;
    while (taken < count) {
        const ssize_t n = ::write(m_fd, data + taken, static_cast<size_t>(count - taken));
        if (n > 0) {
            taken += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            fail(TComErrorCode::Write);
        break;
    }
    return taken;
}

int SerialDevice::OutputCount() {
    int queued = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0)
        return 0;
    return std::max(0, queued);
}

void SerialDevice::DiscardOutput() noexcept {
    if (m_fd >= 0)
        ::tcflush(m_fd, TCOFLUSH);
}

std::string SerialDevice::TakeRemainingInput(bool holdSender) {
    // Bytes on their way through the driver follow the last one within milliseconds.
    constexpr Ms kQuiet{100};
    constexpr Ms kLimit{1000};
    std::string taken;
    if (m_fd < 0)
        return taken;
    if (holdSender)
        ::tcflow(m_fd, TCIOFF);
    struct LetGo {
        int fd;
        bool on;
        ~LetGo() {
            if (on)
                ::tcflow(fd, TCION);
        }
    } letGo{m_fd, holdSender};
    const auto end = Clock::now() + kLimit;
    auto quietEnd = Clock::now() + kQuiet;
    for (;;) {
        int waiting = 0;
        if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
            break;
        if (waiting > 0) {
            const size_t at = taken.size();
            taken.resize(at + static_cast<size_t>(waiting));
            try {
                taken.resize(at + static_cast<size_t>(Read(taken.data() + at, waiting)));
            } catch (const EComPort&) {
                taken.resize(at); // a line gone bad has nothing more to give
                break;
            }
            quietEnd = Clock::now() + kQuiet;
        }
        const auto stop = std::min(quietEnd, end);
        if (Clock::now() >= stop)
            break;
        pollfd p{m_fd, POLLIN, 0};
        const int n = ::poll(&p, 1, msUntil(stop));
        if (n < 0 && errno != EINTR)
            break;
        if (n > 0 && (p.revents & (POLLHUP | POLLERR)))
            break; // a line that hung up delivers nothing more
        if (n == 0)
            break;
    }
    return taken;
}

int SerialDevice::InputCount() {
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0)
        fail(TComErrorCode::LineStatus);
    return count;
}

TComErrors SerialDevice::TakeLineErrors() {
    if (::fcntl(m_fd, F_GETFL) < 0)
        fail(TComErrorCode::LineStatus);
    TLineCounters now;
    if (!ReadLineCounters(m_fd, now)) {
        if (errno != ENOTTY && errno != EINVAL)
            fail(TComErrorCode::LineStatus);
        return {};
    }
    TComErrors errors;
    if (now.Frame != m_counters.Frame)
        errors.Include(ceFrame);
    if (now.Parity != m_counters.Parity && m_parityCheck)
        errors.Include(ceRxParity);
    if (now.Overrun != m_counters.Overrun)
        errors.Include(ceOverrun);
    if (now.BufferOverrun != m_counters.BufferOverrun)
        errors.Include(ceRxOver);
    if (now.Break != m_counters.Break)
        errors.Include(ceBreak);
    m_counters = now;
    return errors;
}

TModemLines SerialDevice::ModemStatus() {
    int bits = 0;
    if (::ioctl(m_fd, TIOCMGET, &bits) != 0) {
        // Pseudo-terminals and some adapters have no modem lines: they read as off.
        if (errno == ENOTTY || errno == EINVAL)
            return {};
        fail(TComErrorCode::ModemStatus);
    }
    return {(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_RI) != 0,
            (bits & TIOCM_CD) != 0};
}

void SerialDevice::AbortTransfers() {
    // Reads and writes run to completion on the calling thread, so nothing is ever pending;
    // only the descriptor itself can be wrong.
    if (::fcntl(m_fd, F_GETFL) < 0)
        fail(TComErrorCode::Purge);
}

void SerialDevice::PurgeQueues(int fd) noexcept {
    // A pseudo-terminal's output queue is the other side's unread input: flushing it would
    // take back bytes that a write already reported as sent (an upload's end, when the port
    // closes right after it). Its bytes have left, so only the input is cleared.
    struct stat st {};
    const bool ptySlave = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) &&
                          major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
    ::tcflush(fd, ptySlave ? TCIFLUSH : TCIOFLUSH);
}

bool SerialDevice::ReadLineCounters(int fd, TLineCounters& counters) noexcept {
    serial_icounter_struct c{};
    if (::ioctl(fd, TIOCGICOUNT, &c) != 0)
        return false;
    counters = {c.frame, c.overrun, c.parity, c.brk, c.buf_overrun};
    return true;
}
