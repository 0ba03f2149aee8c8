#pragma once

#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TCustomComPort;
class TRecvJournal;
class TRecvOutput;

// Line ends as the point reader takes them: CR LF, a lone CR or a lone LF. A CR LF split
// between two pieces of a transfer is still one line end.
class TLineEndScan {
public:
    enum class TKind { Text, LineEnd, PairedLf }; // PairedLf: the LF of a CR LF
    TKind Next(char c) {
        if (c == '\n' && m_lastWasCr) {
            m_lastWasCr = false;
            return TKind::PairedLf;
        }
        m_lastWasCr = c == '\r';
        return c == '\r' || c == '\n' ? TKind::LineEnd : TKind::Text;
    }

private:
    bool m_lastWasCr = false;
};

// How a receive ended, settled by Finish().
struct TRecvEnd {
    bool HungUp = false;     // the line hung up
    bool EndedEarly = false; // it ended while the instrument was still sending
    // The number of the last line when a receive cut short left it without its line end;
    // taken as it stands it would be a wrong point (its last number read as the code), so it
    // is not handed over. 0: none was cut.
    long long CutLine = 0;
    std::string BufferFile;  // temp.dat as written; empty when it could not be
    std::string BufferError; // why it could not be

    bool CutShort() const { return HungUp || EndedEarly; }
};

// One receive from the instrument, apart from any window: the bytes exactly as they came,
// their counts, the journal every byte is written through to, and at the end the file that
// holds them all and the lines to hand over. The receive window and pointbridge-cli receive
// are views of it. It lives on the user-interface thread, where the port delivers its
// notifications.
class TRecvSession {
public:
    TRecvSession();
    ~TRecvSession();
    TRecvSession(const TRecvSession&) = delete;
    TRecvSession& operator=(const TRecvSession&) = delete;

    // Takes the port's received bytes from now on, whether or not a receive is shown.
    void Bind(TCustomComPort* port);
    // The port's received-bytes handler: reads what waits and takes it.
    void ComPortRxChar(TCustomComPort* Sender, int Count);
    // Keeps bytes from the line: counted, journalled, then shown (OnArrived).
    void Take(std::string_view bytes);

    // After bytes were taken. `afterQuiet`: the first of this receive, or the first since
    // the line went quiet.
    std::function<void(std::string_view bytes, bool afterQuiet)> OnArrived;
    // A copy could not be written (the journal; OUT); the receive goes on.
    std::function<void(const std::string& what)> OnKeepFailed;
    // The line counts as idle after this long without a byte: the instrument has most likely
    // finished (it sends its points without pauses).
    std::chrono::steady_clock::duration IdleAfter = std::chrono::seconds(2);

    // A new receive: no bytes, no counts, a new journal from the next byte on.
    void Restart();
    // Forgets the bytes and counts only; the journal goes on.
    void ClearBytes();
    // Makes the journal now rather than at the first byte; throws when its folder cannot be
    // made, and this receive then goes without one.
    void OpenJournal();
    // The bytes also go to OUT (through a temporary beside it; see TRecvOutput) and are no
    // longer kept in memory. Throws EFileError when OUT cannot be written at all.
    void WriteTo(const std::string& outPath);
    TRecvOutput* Output() const { return m_output.get(); }

    // The bytes of this receive, while no OUT takes them.
    const std::string& Bytes() const { return m_bytes; }
    long long ByteCount() const { return m_count; }
    // Line ends so far, a last unfinished line counted as well.
    long long LineCount() const { return m_lineEnds + (m_openLine ? 1 : 0); }
    // The last line has no line end (yet).
    bool OpenLine() const { return m_openLine; }
    std::chrono::steady_clock::duration SinceLastByte() const;
    // Bytes came and the line has been quiet for IdleAfter since.
    bool Idle() const;
    // Bytes keep coming: the port is open and the last ones came less than IdleAfter ago.
    bool StillSending() const;
    // The port closed itself because its line hung up.
    bool LineHungUp() const;
    // The journal of this receive; empty until its first byte.
    std::string JournalPath() const;
    // The journal holds every byte of this receive.
    bool JournalComplete() const;
    // Puts what the journal has on the disk.
    void SyncJournal();

    // Ends the receive before the instrument has finished: the port closes now and what it
    // still holds belongs to this receive. The rest of the transfer goes nowhere, so the
    // next receive starts clean.
    void StopEarly();
    // Settles how the receive ended and writes temp.dat. When temp.dat cannot be written (a
    // full disk) that is kept in End(), not thrown: the bytes are still handed over from
    // memory. Returns the file that holds every byte: temp.dat, else the journal, else none.
    std::string Finish();
    const TRecvEnd& End() const { return m_end; }
    // The bytes to hand over: all of them but a cut last line.
    std::string_view WholeLines() const;
    // The files that hold every byte of this receive, after Finish().
    std::vector<std::string> KeptIn() const;

private:
    void keep(std::string_view bytes);

    QPointer<TCustomComPort> m_port;
    std::string m_bytes;
    long long m_count = 0;
    long long m_lineEnds = 0;
    TLineEndScan m_scan;
    bool m_openLine = false;
    std::chrono::steady_clock::time_point m_lastArrival{};
    std::unique_ptr<TRecvJournal> m_journal;
    bool m_noJournal = false; // its folder could not be made: none for this receive
    std::unique_ptr<TRecvOutput> m_output;
    TRecvEnd m_end;
};
