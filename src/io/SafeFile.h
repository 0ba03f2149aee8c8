#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

// The system calls a save makes, so that tests can make a disk fill up halfway.
class TFileSystemCalls {
public:
    virtual ~TFileSystemCalls() = default;
    virtual ssize_t Write(int fd, const char* data, size_t size);
    virtual int Sync(int fd);
};

// How a file is replaced. By default a symbolic link under the name is followed and the file
// keeps its permission bits; a file of the program's own (temp.dat) replaces the link itself
// and gets bits of its own.
struct TReplaceOptions {
    bool FollowLinks = true;
    int Mode = -1; // permission bits of the new file; -1 keeps the replaced file's
};

// A file being replaced: bytes go to a temporary file ".NAME.pointbridge-XXXXXX" in the
// target's folder, which Commit() syncs and renames over the target. Until then the target
// is untouched, and a writer that is destroyed without Commit() removes its temporary file;
// so does RemoveTemporaryFiles() from a signal handler. The temporary is locked while it is written,
// so that a later writer in the same folder can tell a stale one (of a killed program) and
// remove it. A symbolic link is followed, so the file it names is replaced and keeps its
// permissions (but never set-user-ID or set-group-ID bits); a target that is not a regular
// file, a link to nothing, or a file the user could not open for writing is refused.
// Throws EFileError naming `path`.
class TSafeFileWriter {
public:
    explicit TSafeFileWriter(const std::string& path, TFileSystemCalls* calls = nullptr,
                             const TReplaceOptions& options = {});
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    void Fail(const char* what, int err);

    TFileSystemCalls m_plain;
    TFileSystemCalls* m_calls;
    std::string m_shown;  // the path as the user gave it, for messages
    std::string m_target; // the file really replaced
    std::string m_temp;
    int m_fd = -1;
    int m_slot = -1; // where a signal handler finds m_temp
    bool m_committed = false;
};

// Removes the temporary files of every writer that has not committed. Async-signal-safe:
// for a handler of SIGINT, SIGTERM or SIGHUP that then ends the program.
void RemoveTemporaryFiles() noexcept;

// Replaces the file at `path` with `bytes`, or leaves it as it was: the bytes go to a
// temporary file in the same folder, which is synced and then renamed over the target.
// A symbolic link is followed, so the file it names is replaced. Throws EFileError naming
// `path` and the reason.
void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         TFileSystemCalls* calls = nullptr, const TReplaceOptions& options = {});
