#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

class TFileSystemCalls;
class TSafeFileWriter;

// Where the receive path keeps what arrived: the buffer file "temp.dat", handed to a second
// run, and a journal of every receive, written as the bytes arrive.
namespace RecvFiles {

// The program's folder when it is writable, otherwise the user's data folder.
std::string BufferFolder();
// BufferFolder() + "/temp.dat".
std::string BufferFilePath();
// True when `path` names temp.dat, whose points came from the instrument and are not saved
// anywhere: the next receive overwrites it.
bool IsBufferFile(const std::string& path);
// Replaces temp.dat with `bytes`, readable by the user only. A symbolic link planted under
// that name is replaced, never followed. Returns the path; throws EFileError.
std::string WriteBufferFile(std::string_view bytes);
// $XDG_DATA_HOME/PointBridge, else ~/.local/share/PointBridge (made when missing).
std::string DataFolder();
// DataFolder() + "/receive-journal".
std::string JournalFolder();

// Tests put the program's folder and the data folder elsewhere; empty restores the real ones.
void SetFolders(const std::string& programFolder, const std::string& dataFolder);
// Tests let the disk fill up under temp.dat; nullptr restores the real system calls.
void SetBufferFileCalls(TFileSystemCalls* calls);

} // namespace RecvFiles

// The journal of one receive: every byte from the line is appended to a file of its own
// as it arrives ("receive-YYYYMMDD-HHMMSS-NNNNNN.dat" in the journal folder, readable by the
// user only), so that a crash or a power cut loses nothing that had arrived. Only the newest
// `keep` journals are kept. A journal that a full disk left empty is removed.
class TRecvJournal {
public:
    explicit TRecvJournal(std::string folder, int keep = 20, TFileSystemCalls* calls = nullptr);
    ~TRecvJournal();
    TRecvJournal(const TRecvJournal&) = delete;
    TRecvJournal& operator=(const TRecvJournal&) = delete;

    // Ends the current journal; the next Append starts a new one.
    void Restart();
    // Writes the bytes through to the file (the first call of a receive makes the file and
    // drops the oldest journals). Throws EFileError; after a failure the rest of this
    // receive is not journalled.
    void Append(std::string_view bytes);
    // Puts what was written on the disk.
    void Sync();
    // The current journal file; empty before the first byte of a receive (and when a
    // failure left no byte in it).
    const std::string& Path() const { return m_path; }
    // A write of this receive failed: the journal lacks bytes.
    bool Failed() const { return m_failed; }
    // Bytes of this receive in the journal, and why the rest are not (empty: all are).
    long long Written() const { return m_written; }
    const std::string& Failure() const { return m_failure; }

private:
    void open();
    void prune() const;

    std::string m_folder;
    int m_keep;
    TFileSystemCalls* m_calls;
    int m_fd = -1;
    long long m_written = 0;
    std::string m_failure;
    bool m_failed = false;
    bool m_dirty = false;
    std::string m_path;
    std::chrono::steady_clock::time_point m_lastSync{};
};

// The bytes of one receive on their way to a file the user named (OUT) and to the journal.
// OUT is replaced only by Commit(); until then the bytes go to a temporary beside it. A
// failure to write either one is kept, not thrown: the line is read to its end, and
// Where() then says where every byte is.
class TRecvOutput {
public:
    // Throws EFileError when OUT cannot be written at all. `journal` may be null.
    TRecvOutput(const std::string& outPath, TRecvJournal* journal,
                TFileSystemCalls* calls = nullptr);
    ~TRecvOutput();
    TRecvOutput(const TRecvOutput&) = delete;
    TRecvOutput& operator=(const TRecvOutput&) = delete;

    // Returns what failed just now (for a warning at once), empty otherwise.
    std::string Append(std::string_view bytes);
    long long Bytes() const { return m_bytes; }
    // Replaces OUT with every byte that came; false when OUT could not take them.
    bool Commit();
    // Why OUT could not be written; empty while it could.
    const std::string& OutFailure() const { return m_outFailure; }
    // Where the bytes are when OUT does not hold them: "all 120 bytes are kept in J", ...
    std::string Where() const;

private:
    void failOut(const std::exception& e);

    std::unique_ptr<TSafeFileWriter> m_out;
    TRecvJournal* m_journal;
    long long m_bytes = 0;
    std::string m_outFailure;
};
