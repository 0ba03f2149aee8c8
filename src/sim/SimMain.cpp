// pointbridge-sim: a stand-in total station on a pseudo-terminal, for trying the receive
// and upload paths without an instrument. Needs no display.

#include "sim/InstrumentSim.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using TSim = TInstrumentSim;
using TClock = TSim::TClock;

constexpr const char* Program = "pointbridge-sim";

constexpr const char* Usage = R"(Usage: pointbridge-sim [OPTIONS]

Acts as a total station on a pseudo-terminal. Prints the port to use on one line
("port: /dev/pts/N"); set the program's serial port to that path.

  --send FILE       send FILE's lines to the program (FILE "-" reads standard input);
                    the bytes go out as they are (CP949 stays CP949), only line ends change
  --eol crlf|lf|cr|keep
                    line end put after every line (default crlf; keep: the file's own)
  --baud N          pace sending at N bit/s, 10 bit-times per byte (default 4800;
                    0: as fast as the pty takes it)
  --chunk MIN-MAX   write in chunks of MIN to MAX bytes, sizes drawn at random
                    (default 1-32; a single N means N-N)
  --seed N          seed for the chunk sizes (default: random, printed)
  --delay S         start sending S seconds after the program opened the port (default 1)
  --no-wait         do not wait for the program to open the port; --delay then counts
                    from the start
  --record FILE     write every byte received from the program to FILE, as it arrives
  --idle S          exit after S seconds without traffic, counted once sending is done
                    (with nothing to send: from the first byte received)
  --exit-on-close   exit when the program closes the port after the work is done
  --link PATH       also make PATH a symbolic link to the port (removed at exit)
  --help            show this text

Without --send it only records (a target for uploads). Ctrl-C ends it; a report of
what was sent and received goes to standard error. XON (0x11) and XOFF (0x13) from the
program pause and resume sending; they are recorded like every other byte. If the
program closes the port in the middle of a transfer, the rest is dropped, as on a real
line. Exit status: 0 done, 1 a file could not be read or written, 2 bad options.
)";

struct TOptions {
    std::optional<std::string> SendFile;
    TSim::TLineEnd LineEnd = TSim::TLineEnd::CrLf;
    TSim::TSettings Line;
    bool SeedGiven = false;
    double DelaySeconds = 1.0;
    double IdleSeconds = 0.0;
    bool ExitOnClose = false;
    std::string Link;
};

struct TUsageError {
    std::string Message;
};

template <typename T> T parseNumber(std::string_view text, const std::string& option) {
    T value{};
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        throw TUsageError{"invalid number '" + std::string(text) + "' for " + option};
    return value;
}

double parseSeconds(std::string_view text, const std::string& option) {
    const double s = parseNumber<double>(text, option);
    if (!(s >= 0.0 && s <= 86400.0))
        throw TUsageError{option + " wants seconds from 0 to 86400"};
    return s;
}

void parseChunk(std::string_view text, TSim::TSettings& line) {
    const auto dash = text.find('-');
    line.ChunkMin = parseNumber<std::size_t>(text.substr(0, dash), "--chunk");
    line.ChunkMax = dash == std::string_view::npos
                        ? line.ChunkMin
                        : parseNumber<std::size_t>(text.substr(dash + 1), "--chunk");
    if (line.ChunkMin < 1 || line.ChunkMax < line.ChunkMin || line.ChunkMax > 65536)
        throw TUsageError{"--chunk wants MIN-MAX with 1 <= MIN <= MAX <= 65536"};
}

TSim::TLineEnd parseLineEnd(std::string_view text) {
    if (text == "crlf")
        return TSim::TLineEnd::CrLf;
    if (text == "lf")
        return TSim::TLineEnd::Lf;
    if (text == "cr")
        return TSim::TLineEnd::Cr;
    if (text == "keep")
        return TSim::TLineEnd::Keep;
    throw TUsageError{"--eol wants crlf, lf, cr or keep, not '" + std::string(text) + "'"};
}

// Returns nullopt after printing the help text.
std::optional<TOptions> parseOptions(int argc, char** argv) {
    TOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= argc)
                throw TUsageError{arg + " needs a value"};
            return argv[++i];
        };
        auto flag = [&] {
            if (inlineValue)
                throw TUsageError{arg + " takes no value"};
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            return std::nullopt;
        } else if (arg == "--send") {
            o.SendFile = value();
        } else if (arg == "--eol") {
            o.LineEnd = parseLineEnd(value());
        } else if (arg == "--baud") {
            o.Line.BaudRate = parseNumber<int>(value(), arg);
            if (o.Line.BaudRate < 0)
                throw TUsageError{"--baud must not be negative"};
        } else if (arg == "--chunk") {
            parseChunk(value(), o.Line);
        } else if (arg == "--seed") {
            o.Line.Seed = parseNumber<std::uint32_t>(value(), arg);
            o.SeedGiven = true;
        } else if (arg == "--delay") {
            o.DelaySeconds = parseSeconds(value(), arg);
        } else if (arg == "--no-wait") {
            flag();
            o.Line.WaitForOpen = false;
        } else if (arg == "--record") {
            o.Line.RecordFile = value();
        } else if (arg == "--idle") {
            o.IdleSeconds = parseSeconds(value(), arg);
        } else if (arg == "--exit-on-close") {
            flag();
            o.ExitOnClose = true;
        } else if (arg == "--link") {
            o.Link = value();
        } else {
            throw TUsageError{"unknown option '" + arg + "'"};
        }
    }
    if (o.Line.RecordFile == "-")
        throw TUsageError{"--record wants a file name"};
    return o;
}

std::string readAll(const std::string& path) {
    if (path == "-") {
        std::ostringstream s;
        s << std::cin.rdbuf();
        return s.str();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read \"" + path + "\": " + std::strerror(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error("cannot read \"" + path + "\": " + std::strerror(errno));
    return bytes;
}

std::size_t countLines(std::string_view text) {
    const std::string lf = TSim::WithLineEnds(text, TSim::TLineEnd::Lf);
    return static_cast<std::size_t>(std::count(lf.begin(), lf.end(), '\n'));
}

const char* lineEndName(TSim::TLineEnd e) {
    switch (e) {
    case TSim::TLineEnd::CrLf:
        return "CR LF";
    case TSim::TLineEnd::Lf:
        return "LF";
    case TSim::TLineEnd::Cr:
        return "CR";
    case TSim::TLineEnd::Keep:
        break;
    }
    return "the file's own";
}

// A symlink already at `path` is replaced; anything else there is left alone.
void makeLink(const std::string& target, const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw std::runtime_error("cannot make link \"" + path +
                                     "\": a file that is not a link is in the way");
        ::unlink(path.c_str());
    }
    if (::symlink(target.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot make link \"" + path + "\": " + std::strerror(errno));
}

// "1 byte", "2 bytes"
std::string counted(std::size_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

void note(const std::string& text) {
    std::cerr << Program << ": " << text << '\n' << std::flush;
}

std::string seconds(TClock::duration d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f s", std::chrono::duration<double>(d).count());
    return buf;
}

// Waits for a termination signal for up to `wait`; true when one came.
bool signalled(const sigset_t& set, TClock::duration wait) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    return ::sigtimedwait(&set, nullptr, &ts) > 0;
}

class TSession {
public:
    TSession(TSim& sim, const TOptions& options, bool sending)
        : m_sim(sim), m_options(options), m_sending(sending) {}

    // Watches the line, tells what happens, returns when it is time to stop.
    void Watch(const sigset_t& signals) {
        for (;;) {
            if (signalled(signals, std::chrono::milliseconds(100))) {
                note("stopped by signal");
                return;
            }
            reportChanges();
            if (const auto err = m_sim.RecordError(); !err.empty()) {
                note(err);
                m_failed = true;
                return;
            }
            if (finished())
                return;
        }
    }

    void Report(const std::string& sendFile, std::size_t lines) {
        const auto c = m_sim.Counts();
        std::ostringstream r;
        if (m_sending) {
            r << "sent " << c.Sent << " of " << c.Queued << " bytes (" << counted(lines, "line")
              << " of " << sendFile << ") in " << c.Chunks << " chunks";
            // Seen at the watch loop's pace: only worth telling for a paced transfer.
            if (m_options.Line.BaudRate > 0 && m_sendStart != TClock::time_point{} &&
                m_sendEnd != TClock::time_point{})
                r << " over " << seconds(m_sendEnd - m_sendStart);
            if (c.Discarded > 0)
                r << "; " << counted(c.Discarded, "byte") << " not sent (the port was closed)";
            if (c.Pauses > 0)
                r << "; paused by XOFF " << counted(c.Pauses, "time");
            r << "\n" << Program << ": ";
        }
        r << "received " << counted(c.Received, "byte");
        if (!m_options.Line.RecordFile.empty())
            r << " into " << m_options.Line.RecordFile;
        r << "; the program opened the port " << counted(std::size_t(c.Opens), "time");
        note(r.str());
    }

    bool Failed() const { return m_failed; }

private:
    void reportChanges() {
        const auto c = m_sim.Counts();
        const auto now = TClock::now();
        for (; m_seen.Opens < c.Opens; ++m_seen.Opens)
            note("the program opened the port");
        if (c.Sent > 0 && m_sendStart == TClock::time_point{}) {
            m_sendStart = now;
            note("sending");
        }
        const bool paused = m_sim.Paused();
        if (c.Pauses > m_seen.Pauses) {
            note("XOFF received: sending paused");
            m_paused = true;
        }
        if (m_paused && !paused)
            note("sending resumed");
        m_paused = paused;
        if (m_sending && m_sendEnd == TClock::time_point{} && c.Queued > 0 &&
            c.Sent + c.Discarded == c.Queued) {
            m_sendEnd = now;
            if (c.Discarded == 0)
                note("all " + counted(c.Sent, "byte") + " sent");
        }
        if (c.Discarded > m_seen.Discarded)
            note("the program closed the port during sending; " + counted(c.Discarded, "byte") +
                 " not sent");
        if (c.Received > m_seen.Received && now - m_lastReceivedNote >= std::chrono::seconds(1)) {
            note("received " + counted(c.Received, "byte") + " so far");
            m_lastReceivedNote = now;
        }
        for (; m_seen.Closes < c.Closes; ++m_seen.Closes)
            note("the program closed the port");
        m_seen = c;
    }

    bool finished() const {
        const bool sendDone = !m_sending || !m_sim.SendPending();
        if (m_options.ExitOnClose && sendDone && m_seen.Closes > 0 && !m_sim.PortOpen())
            return true;
        if (m_options.IdleSeconds > 0 && sendDone && (m_sending || m_seen.Received > 0)) {
            const std::chrono::duration<double> quiet = TClock::now() - m_sim.LastActivity();
            if (quiet.count() >= m_options.IdleSeconds) {
                note("no traffic for " +
                     seconds(std::chrono::duration_cast<TClock::duration>(quiet)));
                return true;
            }
        }
        return false;
    }

    TSim& m_sim;
    const TOptions& m_options;
    const bool m_sending;
    TSim::TCounts m_seen;
    bool m_paused = false;
    bool m_failed = false;
    // time_point{} while not yet seen
    TClock::time_point m_sendStart{};
    TClock::time_point m_sendEnd{};
    TClock::time_point m_lastReceivedNote{};
};

// Removes the --link symlink however the run ends.
class TLink {
public:
    TLink(const std::string& target, const std::string& path) : m_path(path) {
        if (!m_path.empty())
            makeLink(target, m_path);
    }
    ~TLink() {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    TLink(const TLink&) = delete;
    TLink& operator=(const TLink&) = delete;

private:
    std::string m_path;
};

void describePlan(const TOptions& options, const std::string& text, std::size_t lines) {
    std::ostringstream s;
    s << "will send " << counted(lines, "line") << ", " << counted(text.size(), "byte")
      << ", line end " << lineEndName(options.LineEnd) << ", ";
    if (options.Line.BaudRate > 0)
        s << options.Line.BaudRate << " bit/s (about "
          << seconds(TSim::WireTime(text.size(), options.Line.BaudRate)) << " on the wire)";
    else
        s << "unpaced";
    s << ", chunks of " << options.Line.ChunkMin << "-" << options.Line.ChunkMax << " bytes, seed "
      << options.Line.Seed;
    note(s.str());
    if (text.empty())
        note("the file holds nothing to send");
    if (options.Line.WaitForOpen)
        note("waiting for the program to open the port");
}

int run(TOptions options) {
    const bool sending = options.SendFile.has_value();
    std::string text;
    if (sending)
        text = TSim::WithLineEnds(readAll(*options.SendFile), options.LineEnd);
    const std::size_t lines = countLines(text);
    if (!options.SeedGiven)
        options.Line.Seed = std::random_device{}();
    options.Line.KeepHistory = false;
    options.Line.OpenSettle = std::chrono::duration_cast<TSim::TMillis>(
        std::chrono::duration<double>(options.Line.WaitForOpen ? options.DelaySeconds : 0.0));

    // Signals are taken by sigtimedwait in the main loop; the line thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    TSim sim(options.Line);
    const TLink link(sim.PortPath(), options.Link);
    std::cout << "port: " << sim.PortPath() << std::endl;
    if (!options.Link.empty())
        note("link " + options.Link + " -> " + sim.PortPath());
    if (sending)
        describePlan(options, text, lines);
    else
        note("recording only");

    if (!options.Line.WaitForOpen && options.DelaySeconds > 0 &&
        signalled(signals, std::chrono::duration_cast<TClock::duration>(
                               std::chrono::duration<double>(options.DelaySeconds)))) {
        note("stopped by signal");
        return 0;
    }
    if (sending)
        sim.Send(text);

    TSession session(sim, options, sending);
    session.Watch(signals);
    sim.Stop();
    session.Report(sending ? *options.SendFile : std::string(), lines);
    return session.Failed() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const auto options = parseOptions(argc, argv);
        if (!options)
            return 0;
        return run(*options);
    } catch (const TUsageError& e) {
        std::cerr << Program << ": " << e.Message << "\nTry '" << Program << " --help'.\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << Program << ": " << e.what() << '\n';
        return 1;
    }
}
