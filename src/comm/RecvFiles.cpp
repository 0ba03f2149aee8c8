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

void makeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec)
        throw EFileError("Cannot create folder", path, ec.value());
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

TRecvJournal::TRecvJournal(std::string folder, int keep)
    : m_folder(std::move(folder)), m_keep(std::max(1, keep)) {}

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
    try {
        if (m_fd < 0)
            open();
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw EFileError("Cannot write file", m_path, n < 0 ? errno : ENOSPC);
            done += static_cast<size_t>(n);
        }
    } catch (...) {
        m_failed = true;
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
