#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A stand-in total station on a pseudo-terminal pair. The program under test opens
// PortPath() as its serial port; the instrument side sends text at a bit rate's pace in
// random chunks, obeys XON/XOFF from the program and keeps every byte the program sends.
// No window and no Qt: used by pointbridge-sim and by tests as the instrument.
//
// One line thread owns the pty master; the public calls may come from any thread.
class TInstrumentSim {
public:
    enum class TLineEnd { Keep, CrLf, Lf, Cr };

    using TClock = std::chrono::steady_clock;
    using TMillis = std::chrono::milliseconds;

    static constexpr char Xon = 0x11;
    static constexpr char Xoff = 0x13;

    struct TSettings {
        // Bits per second; 0 sends as fast as the pty takes it. 10 bit-times per byte (8N1).
        int BaudRate = 4800;
        // Each write to the line is a chunk of a random size in [ChunkMin, ChunkMax].
        std::size_t ChunkMin = 1;
        std::size_t ChunkMax = 32;
        std::uint32_t Seed = 1;
        // Hold sent data until the program has the port open, then wait OpenSettle more so
        // that the program's flush of its input queue at open cannot swallow the first bytes.
        bool WaitForOpen = true;
        TMillis OpenSettle{200};
        // Every received byte is appended here as it arrives; empty: no file.
        std::string RecordFile;
        // Keep received bytes and chunk sizes in memory for Received() and SentChunks();
        // a long-running program turns it off.
        bool KeepHistory = true;
    };

    struct TCounts {
        std::size_t Queued = 0;    // data bytes handed to Send (XON/XOFF bytes taken out)
        std::size_t Sent = 0;      // data bytes written to the line
        std::size_t Discarded = 0; // data bytes dropped because the program closed mid-send
        std::size_t Withheld = 0;  // XON/XOFF bytes found in sent data and not sent
        std::size_t Chunks = 0;    // completed chunk writes
        std::size_t Received = 0;  // bytes read from the line, flow-control bytes included
        std::size_t Pauses = 0;    // XOFFs that stopped sending
        int Opens = 0;             // times the program opened the port
        int Closes = 0;            // times the program closed it
    };

    // Opens the record file (truncating it) and the pty pair, puts the line in raw mode and
    // starts the line thread. Throws std::system_error naming what failed, and
    // std::invalid_argument for settings out of range (chunks 1 <= min <= max <= 65536).
    TInstrumentSim();
    explicit TInstrumentSim(const TSettings& settings);
    ~TInstrumentSim();
    TInstrumentSim(const TInstrumentSim&) = delete;
    TInstrumentSim& operator=(const TInstrumentSim&) = delete;

    // The device path the program should open, e.g. /dev/pts/7.
    const std::string& PortPath() const { return m_portPath; }
    const TSettings& Settings() const { return m_settings; }

    // Queues bytes for sending and returns at once. XON/XOFF bytes are taken out: on a line
    // with software flow control they cannot be data.
    void Send(std::string_view bytes);

    // Each line of `text` (split at CR LF, lone CR or lone LF) followed by `lineEnd`; the
    // last line gets one too. Keep returns the text unchanged.
    static std::string WithLineEnds(std::string_view text, TLineEnd lineEnd);
    // The chunk sizes in which `total` queued bytes go out (the last one may be short).
    static std::vector<std::size_t> ChunkSizes(std::size_t total, std::size_t chunkMin,
                                               std::size_t chunkMax, std::uint32_t seed);
    // Time on the wire for `bytes` at `baud` (10 bit-times per byte); 0 when unpaced.
    static TClock::duration WireTime(std::size_t bytes, int baud);

    // Waits return false on time-out.
    bool WaitPortOpen(TMillis timeout);
    bool WaitPortClosed(TMillis timeout);
    // Everything queued has been written (or discarded because the port closed).
    bool WaitSent(TMillis timeout);
    bool WaitReceived(std::size_t count, TMillis timeout);

    bool PortOpen() const;
    bool Paused() const;      // an XOFF is in force
    bool SendPending() const; // queued bytes not yet written
    TCounts Counts() const;
    std::string Received() const;
    // Sizes of the chunk writes so far, in order (a chunk cut short by a full pty counts once).
    std::vector<std::size_t> SentChunks() const;
    // When a byte last went either way; the start time before that.
    TClock::time_point LastActivity() const;
    // First failure to write the record file, empty when none; recording stops at it.
    std::string RecordError() const;

    // Reads what is still waiting, ends the line thread. Called by the destructor.
    void Stop();

private:
    void run();
    bool probeOpen();
    void noteOpenState(bool open, TClock::time_point now);
    void readAvailable(TClock::time_point now);
    void takeReceived(const char* data, std::size_t n, TClock::time_point now);
    bool canSend(TClock::time_point now) const;
    // Writes what is due; returns the time the next chunk falls due (max() when none).
    TClock::time_point sendDue(TClock::time_point now, bool& wantWritable);
    std::size_t unsent() const { return m_queue.size() - m_queuePos; }
    void discardQueue();
    void wake();

    const TSettings m_settings;
    std::string m_portPath;
    int m_master = -1;
    int m_wakeFd = -1;
    int m_recordFd = -1;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;
    bool m_open = false;
    bool m_paused = false;
    TClock::time_point m_openedAt{};
    std::size_t m_sentThisOpen = 0;
    std::string m_queue; // bytes to send start at m_queuePos
    std::size_t m_queuePos = 0;
    std::size_t m_chunkSize = 0; // size of the chunk being written
    std::size_t m_chunkLeft = 0; // bytes of it not yet written; 0: none drawn
    TClock::time_point m_chunkDue{};
    TClock::time_point m_lineFreeAt{};
    std::vector<std::size_t> m_chunkLog;
    std::string m_received;
    std::string m_recordError;
    TCounts m_counts;
    TClock::time_point m_lastActivity;
    std::uint64_t m_rng = 0;

    std::thread m_thread;
};
