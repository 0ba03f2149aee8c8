#include "sim/InstrumentSim.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

// While the program has the port closed the master reports POLLHUP at once on every poll,
// so the line thread looks again at this interval instead of waiting on the descriptor.
constexpr auto ClosedPollInterval = std::chrono::milliseconds(20);
constexpr std::size_t LargestChunk = 65536;

// splitmix64: small, and the same sequence on every platform, so a seed given on the
// command line reproduces a transfer exactly.
std::uint64_t nextRandom(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::size_t drawSize(std::uint64_t& state, std::size_t lo, std::size_t hi) {
    return lo + static_cast<std::size_t>(nextRandom(state) % (hi - lo + 1));
}

[[noreturn]] void throwErrno(int err, const std::string& what) {
    throw std::system_error(err, std::generic_category(), what);
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

TInstrumentSim::TSettings checked(const TInstrumentSim::TSettings& s) {
    if (s.BaudRate < 0)
        throw std::invalid_argument("bit rate must not be negative");
    if (s.ChunkMin < 1 || s.ChunkMax < s.ChunkMin || s.ChunkMax > LargestChunk)
        throw std::invalid_argument("chunk sizes must satisfy 1 <= min <= max <= 65536");
    if (s.OpenSettle.count() < 0)
        throw std::invalid_argument("settle time must not be negative");
    return s;
}

int ppollFor(pollfd* fds, nfds_t count, TInstrumentSim::TClock::duration wait) {
    if (wait == TInstrumentSim::TClock::duration::max())
        return ::ppoll(fds, count, nullptr, nullptr);
    if (wait < wait.zero())
        wait = wait.zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    return ::ppoll(fds, count, &ts, nullptr);
}

} // namespace

TInstrumentSim::TInstrumentSim() : TInstrumentSim(TSettings{}) {}

TInstrumentSim::TInstrumentSim(const TSettings& settings)
    : m_settings(checked(settings)), m_rng(settings.Seed) {
    auto fail = [this](const std::string& what) {
        const int err = errno;
        closeFd(m_recordFd);
        closeFd(m_master);
        closeFd(m_wakeFd);
        throwErrno(err, what);
    };

    if (!m_settings.RecordFile.empty()) {
        m_recordFd =
            ::open(m_settings.RecordFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_recordFd < 0)
            fail("cannot create record file \"" + m_settings.RecordFile + "\"");
    }

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        fail("cannot open a pseudo-terminal");
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0)
        fail("cannot unlock the pseudo-terminal");
    m_portPath = name;

    // Master and slave share one termios. Raw from the start, so nothing is echoed back or
    // translated before the program sets the line up itself.
    termios tio{};
    if (::tcgetattr(m_master, &tio) != 0)
        fail("cannot read the pseudo-terminal's settings");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(m_master, TCSANOW, &tio) != 0)
        fail("cannot set the pseudo-terminal to raw mode");

    // A fresh master does not report POLLHUP before any slave was opened; one open and close
    // here makes "no POLLHUP" mean "the program has the port open" from now on.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        fail("cannot open \"" + m_portPath + "\"");
    ::close(slave);

    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0)
        fail("cannot create an event descriptor");

    m_lastActivity = TClock::now();
    m_thread = std::thread([this] { run(); });
}

TInstrumentSim::~TInstrumentSim() {
    Stop();
    closeFd(m_master);
    closeFd(m_wakeFd);
    closeFd(m_recordFd);
}

void TInstrumentSim::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
}

void TInstrumentSim::wake() {
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0) {
        [[maybe_unused]] auto n = ::write(m_wakeFd, &one, sizeof one);
    }
}

void TInstrumentSim::Send(std::string_view bytes) {
    std::string data;
    data.reserve(bytes.size());
    std::size_t withheld = 0;
    for (char c : bytes) {
        if (c == Xon || c == Xoff)
            ++withheld;
        else
            data += c;
    }
    {
        std::lock_guard lock(m_mutex);
        m_queue += data;
        m_counts.Queued += data.size();
        m_counts.Withheld += withheld;
    }
    wake();
}

std::string TInstrumentSim::WithLineEnds(std::string_view text, TLineEnd lineEnd) {
    if (lineEnd == TLineEnd::Keep)
        return std::string(text);
    const std::string_view eol = lineEnd == TLineEnd::CrLf ? "\r\n"
                                 : lineEnd == TLineEnd::Lf ? "\n"
                                                           : "\r";
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        out.append(text.substr(start, i - start));
        out.append(eol);
        i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size()) {
        out.append(text.substr(start));
        out.append(eol);
    }
    return out;
}

std::vector<std::size_t> TInstrumentSim::ChunkSizes(std::size_t total, std::size_t chunkMin,
                                                    std::size_t chunkMax, std::uint32_t seed) {
    TSettings s;
    s.ChunkMin = chunkMin;
    s.ChunkMax = chunkMax;
    checked(s);
    std::uint64_t state = seed;
    std::vector<std::size_t> sizes;
    while (total > 0) {
        const std::size_t n = std::min(drawSize(state, chunkMin, chunkMax), total);
        sizes.push_back(n);
        total -= n;
    }
    return sizes;
}

TInstrumentSim::TClock::duration TInstrumentSim::WireTime(std::size_t bytes, int baud) {
    if (baud <= 0)
        return TClock::duration::zero();
    const std::chrono::duration<double> seconds(static_cast<double>(bytes) * 10.0 / baud);
    return std::chrono::duration_cast<TClock::duration>(seconds);
}

bool TInstrumentSim::WaitPortOpen(TMillis timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_open; });
}

bool TInstrumentSim::WaitPortClosed(TMillis timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return !m_open; });
}

bool TInstrumentSim::WaitSent(TMillis timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return unsent() == 0; });
}

bool TInstrumentSim::WaitReceived(std::size_t count, TMillis timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_counts.Received >= count; });
}

bool TInstrumentSim::PortOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

bool TInstrumentSim::Paused() const {
    std::lock_guard lock(m_mutex);
    return m_paused;
}

bool TInstrumentSim::SendPending() const {
    std::lock_guard lock(m_mutex);
    return unsent() > 0;
}

TInstrumentSim::TCounts TInstrumentSim::Counts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
}

std::string TInstrumentSim::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::size_t> TInstrumentSim::SentChunks() const {
    std::lock_guard lock(m_mutex);
    return m_chunkLog;
}

TInstrumentSim::TClock::time_point TInstrumentSim::LastActivity() const {
    std::lock_guard lock(m_mutex);
    return m_lastActivity;
}

std::string TInstrumentSim::RecordError() const {
    std::lock_guard lock(m_mutex);
    return m_recordError;
}

// ---- line thread; everything below runs with m_mutex held unless said otherwise ----

void TInstrumentSim::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const auto now = TClock::now();
        const bool open = probeOpen();
        if (open) {
            noteOpenState(true, now);
            readAvailable(now);
        } else {
            // Bytes of a session too short to be seen (open, write, close between two looks)
            // are still read here; they count as one open and close.
            const std::size_t before = m_counts.Received;
            readAvailable(now);
            if (m_open) {
                noteOpenState(false, now);
            } else if (m_counts.Received > before) {
                ++m_counts.Opens;
                ++m_counts.Closes;
            }
        }
        bool wantWritable = false;
        const auto due = sendDue(now, wantWritable);
        m_changed.notify_all();

        pollfd fds[2] = {{open ? m_master : -1, short(POLLIN | (wantWritable ? POLLOUT : 0)), 0},
                         {m_wakeFd, POLLIN, 0}};
        auto wait = due == TClock::time_point::max() ? TClock::duration::max() : due - now;
        if (!open)
            wait = std::min<TClock::duration>(wait, ClosedPollInterval);
        lock.unlock();
        ppollFor(fds, 2, wait);
        if (fds[1].revents & POLLIN) {
            std::uint64_t count;
            [[maybe_unused]] auto n = ::read(m_wakeFd, &count, sizeof count);
        }
        lock.lock();
    }
    readAvailable(TClock::now());
    m_changed.notify_all();
}

bool TInstrumentSim::probeOpen() {
    pollfd p{m_master, POLLIN, 0};
    while (::poll(&p, 1, 0) < 0 && errno == EINTR) {
    }
    return !(p.revents & POLLHUP);
}

void TInstrumentSim::noteOpenState(bool open, TClock::time_point now) {
    if (open == m_open)
        return;
    m_open = open;
    if (open) {
        ++m_counts.Opens;
        m_openedAt = now;
        m_sentThisOpen = 0;
        // A new session starts unpaused: an XOFF left over from the last one would otherwise
        // hold the instrument for ever.
        m_paused = false;
        return;
    }
    ++m_counts.Closes;
    if (!m_settings.WaitForOpen)
        return;
    // The program went away in the middle of a transfer: like on a real line, the rest of
    // it is gone and does not reach the next session. That includes what the pty still
    // buffers for the closed side, which a real port would never have received.
    if (m_sentThisOpen > 0)
        discardQueue();
    // Fails with EBUSY for a non-root user when the program left the pty exclusive
    // (TIOCEXCL outlives the close on a pty); then the bytes stay, as they would anyway.
    const int slave = ::open(m_portPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        ::tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
}

void TInstrumentSim::discardQueue() {
    m_counts.Discarded += unsent();
    m_queue.clear();
    m_queuePos = 0;
    m_chunkLeft = 0;
    m_chunkSize = 0;
}

void TInstrumentSim::readAvailable(TClock::time_point now) {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            takeReceived(buf, static_cast<std::size_t>(n), now);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // EAGAIN: nothing more now; EIO: the program closed and all is read
    }
}

// Every byte is recorded, XON and XOFF included: the record is what crossed the line.
// XON/XOFF also steer sending, at any time, whether or not anything is queued.
void TInstrumentSim::takeReceived(const char* data, std::size_t n, TClock::time_point now) {
    for (std::size_t i = 0; i < n; ++i) {
        if (data[i] == Xoff && !m_paused) {
            m_paused = true;
            ++m_counts.Pauses;
        } else if (data[i] == Xon && m_paused) {
            m_paused = false;
            // The held chunk goes on the wire from now.
            if (m_chunkLeft > 0)
                m_chunkDue = now + WireTime(m_chunkLeft, m_settings.BaudRate);
        }
    }
    m_counts.Received += n;
    m_lastActivity = now;
    if (m_settings.KeepHistory)
        m_received.append(data, n);
    while (m_recordFd >= 0 && n > 0) {
        const ssize_t w = ::write(m_recordFd, data, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            m_recordError = "cannot write record file \"" + m_settings.RecordFile +
                            "\": " + std::strerror(errno);
            closeFd(m_recordFd);
            break;
        }
        data += w;
        n -= static_cast<std::size_t>(w);
    }
}

bool TInstrumentSim::canSend(TClock::time_point now) const {
    if (unsent() == 0 || m_paused)
        return false;
    if (!m_settings.WaitForOpen)
        return true;
    return m_open && now >= m_openedAt + m_settings.OpenSettle;
}

TInstrumentSim::TClock::time_point TInstrumentSim::sendDue(TClock::time_point now,
                                                           bool& wantWritable) {
    constexpr auto never = TClock::time_point::max();
    while (canSend(now)) {
        if (m_chunkLeft == 0) {
            m_chunkSize =
                std::min(drawSize(m_rng, m_settings.ChunkMin, m_settings.ChunkMax), unsent());
            m_chunkLeft = m_chunkSize;
            // The chunk reaches the program when its last byte has crossed the wire.
            m_chunkDue = std::max(now, m_lineFreeAt) + WireTime(m_chunkSize, m_settings.BaudRate);
        }
        if (now < m_chunkDue)
            return m_chunkDue;
        const ssize_t w = ::write(m_master, m_queue.data() + m_queuePos, m_chunkLeft);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            // EAGAIN: the program is not reading and the pty is full; anything else (EIO
            // while nobody has the port open) is retried at the closed-port interval.
            wantWritable = true;
            return errno == EAGAIN ? never : now + ClosedPollInterval;
        }
        const auto written = static_cast<std::size_t>(w);
        m_queuePos += written;
        m_chunkLeft -= written;
        m_counts.Sent += written;
        m_sentThisOpen += written;
        m_lastActivity = now;
        if (m_chunkLeft > 0) {
            wantWritable = true;
            return never;
        }
        ++m_counts.Chunks;
        if (m_settings.KeepHistory)
            m_chunkLog.push_back(m_chunkSize);
        m_lineFreeAt = m_chunkDue;
        if (m_queuePos == m_queue.size()) {
            m_queue.clear();
            m_queuePos = 0;
        } else if (m_queuePos > 65536 && m_queuePos > m_queue.size() / 2) {
            m_queue.erase(0, m_queuePos);
            m_queuePos = 0;
        }
    }
    if (unsent() > 0 && !m_paused && m_settings.WaitForOpen && m_open)
        return m_openedAt + m_settings.OpenSettle;
    return never;
}
