#include "comm/RecvFiles.h"

#include "io/FileError.h"
#include "io/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

std::string g_programFolder;
std::string g_dataFolder;
TFileSystemCalls* g_bufferFileCalls = nullptr;

// At most one sync a second while bytes arrive: at 4800 bit/s that is under 500 bytes a
// power cut could take, and the disk is not kept busy.
constexpr auto kSyncInterval = std::chrono::seconds(1);

std::string programFolder() {
    if (!g_programFolder.empty())
        return g_programFolder;
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The first folder on the way to `path` that is a link to nothing: the system calls it
// "File exists", which sends the user looking in the wrong place.
void throwForDanglingLink(const std::string& path) {
    std::string prefix;
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        prefix = path.substr(0, at);
        struct stat st {};
        if (::lstat(prefix.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
            ::stat(prefix.c_str(), &st) != 0 && errno == ENOENT) {
            std::error_code ec;
            const std::string to = std::filesystem::read_symlink(prefix, ec).string();
            throw EFileError("Cannot create folder", path,
                             "\"" + prefix + "\" is a link to \"" + to + "\", which does not exist",
                             ENOENT);
        }
    }
}

void makeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) {
        throwForDanglingLink(path);
        throw EFileError("Cannot create folder", path, ec.value());
    }
}

} // namespace

namespace RecvFiles {

std::string DataFolder() {
    std::string folder = g_dataFolder;
    if (folder.empty()) {
        const char* xdg = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        if (xdg && *xdg == '/')
            folder = std::string(xdg) + "/PointBridge";
        else
            folder = std::string(home && *home ? home : "/tmp") + "/.local/share/PointBridge";
    }
    makeFolders(folder);
    return folder;
}

std::string BufferFolder() {
    const std::string folder = programFolder();
    if (::access(folder.c_str(), W_OK) == 0)
        return folder;
    return DataFolder();
}

std::string BufferFilePath() { return BufferFolder() + "/temp.dat"; }

bool IsBufferFile(const std::string& path) {
    std::error_code ec;
    try {
        return std::filesystem::equivalent(path, BufferFilePath(), ec);
    } catch (const EFileError&) {
        return false; // there is no folder for a buffer file at all
    }
}

std::string WriteBufferFile(std::string_view bytes) {
    const std::string path = BufferFilePath();
    TReplaceOptions own;
    own.FollowLinks = false;
    own.Mode = 0600;
    ReplaceFileContents(path, bytes, g_bufferFileCalls, own);
    return path;
}

std::string JournalFolder() {
    const std::string folder = DataFolder() + "/receive-journal";
    makeFolders(folder);
    return folder;
}

void SetFolders(const std::string& program, const std::string& data) {
    g_programFolder = program;
    g_dataFolder = data;
}

void SetBufferFileCalls(TFileSystemCalls* calls) { g_bufferFileCalls = calls; }

} // namespace RecvFiles

TRecvJournal::TRecvJournal(std::string folder, int keep, TFileSystemCalls* calls)
    : m_folder(std::move(folder)), m_keep(std::max(1, keep)), m_calls(calls) {}

TRecvJournal::~TRecvJournal() { Restart(); }

void TRecvJournal::Restart() {
    if (m_fd >= 0) {
        if (m_dirty)
            ::fdatasync(m_fd);
        ::close(m_fd);
    }
    m_fd = -1;
    m_failed = false;
    m_dirty = false;
    m_written = 0;
    m_failure.clear();
    m_path.clear();
}

void TRecvJournal::open() {
    makeFolders(m_folder);
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long long millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // Fixed-width names, so that sorting by name sorts by age: the last field is the
    // millisecond times 1000 plus a count for starts within the same millisecond.
    for (int n = 0;; ++n) {
        char tail[16];
        std::snprintf(tail, sizeof tail, "-%06lld.dat", millis * 1000 + n);
        const std::string path = m_folder + "/receive-" + stamp + tail;
        // Received points are the user's business only.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0) {
            m_fd = fd;
            m_path = path;
            break;
        }
        if (errno != EEXIST || n >= 999)
            throw EFileError("Cannot create file", path, errno);
    }
    // The new file and its name survive a power cut too.
    if (const int dir = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    m_lastSync = std::chrono::steady_clock::now();
    prune();
}

void TRecvJournal::prune() const {
    std::vector<std::string> journals;
    std::error_code ec;
    const std::string current = std::filesystem::path(m_path).filename().string();
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
        const std::string name = entry.path().filename().string();
        // The journal in use is never dropped: with a clock set back it is named older
        // than the ones before it.
        if (name.rfind("receive-", 0) == 0 && name.size() > 4 &&
            name.compare(name.size() - 4, 4, ".dat") == 0 && name != current)
            journals.push_back(name);
    }
    // The names carry the start time: sorted by name is sorted by age, oldest first.
    std::sort(journals.begin(), journals.end());
    for (size_t i = 0; i + static_cast<size_t>(m_keep) <= journals.size(); ++i)
        std::filesystem::remove(m_folder + "/" + journals[i], ec);
}

void TRecvJournal::Append(std::string_view bytes) {
    if (bytes.empty() || m_failed)
        return;
    TFileSystemCalls plain;
    TFileSystemCalls& calls = m_calls ? *m_calls : plain;
    try {
        if (m_fd < 0)
            open();
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = calls.Write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw EFileError("Cannot write file", m_path, n < 0 ? errno : ENOSPC);
            done += static_cast<size_t>(n);
            m_written += n;
        }
    } catch (const std::exception& e) {
        m_failed = true;
        m_failure = e.what();
        // An empty journal would only send the user to a file without data.
        if (m_fd >= 0 && m_written == 0) {
            ::close(m_fd);
            m_fd = -1;
            ::unlink(m_path.c_str());
            m_path.clear();
        }
        throw;
    }
    m_dirty = true;
    if (std::chrono::steady_clock::now() - m_lastSync >= kSyncInterval)
        Sync();
}

void TRecvJournal::Sync() {
    if (m_fd < 0 || !m_dirty)
        return;
    ::fdatasync(m_fd);
    m_dirty = false;
    m_lastSync = std::chrono::steady_clock::now();
}

TRecvOutput::TRecvOutput(const std::string& outPath, TRecvJournal* journal,
                         TFileSystemCalls* calls)
    : m_out(std::make_unique<TSafeFileWriter>(outPath, calls)), m_journal(journal) {}

TRecvOutput::~TRecvOutput() = default;

void TRecvOutput::failOut(const std::exception& e) {
    m_outFailure = e.what();
    m_out.reset(); // the temporary goes; OUT stays as it was
}

std::string TRecvOutput::Append(std::string_view bytes) {
    std::string failed;
    // The journal first: it is the copy that must survive whatever happens to OUT.
    if (m_journal && m_journal->Failure().empty()) {
        try {
            m_journal->Append(bytes);
        } catch (const std::exception& e) {
            failed = std::string("the journal: ") + e.what();
        }
    }
    m_bytes += static_cast<long long>(bytes.size());
    if (m_out) {
        try {
            m_out->Write(bytes);
        } catch (const std::exception& e) {
            failOut(e);
            failed += (failed.empty() ? "" : "; ") + m_outFailure;
        }
    }
    return failed;
}

bool TRecvOutput::Commit() {
    if (!m_out)
        return false;
    try {
        m_out->Commit();
        return true;
    } catch (const std::exception& e) {
        failOut(e);
        return false;
    }
}

std::string TRecvOutput::Where() const {
    const std::string all = std::to_string(m_bytes);
    const long long kept = m_journal ? m_journal->Written() : 0;
    const std::string why = m_journal ? m_journal->Failure() : std::string("no journal");
    if (kept == 0)
        return "no copy of the " + all + " bytes could be kept (" + why + ")";
    if (kept == m_bytes)
        return "all " + all + " bytes are kept in " + m_journal->Path();
    return "the first " + std::to_string(kept) + " of " + all + " bytes are kept in " +
           m_journal->Path() + "; the other " + std::to_string(m_bytes - kept) +
           " could not be kept (" + why + ")";
}
