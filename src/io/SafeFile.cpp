#include "io/SafeFile.h"

#include "io/FileError.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

ssize_t TFileSystemCalls::Write(int fd, const char* data, size_t size) {
    return ::write(fd, data, size);
}

int TFileSystemCalls::Sync(int fd) { return ::fsync(fd); }

namespace {

// The file a save replaces: the target of a symbolic link (the link stays), which must be a
// regular file or not exist yet. A device, a pipe, a folder or a link to nowhere is refused:
// renaming over it would replace the node itself with a plain file.
// Without FollowLinks a link under the name is replaced itself, whatever it points to.
std::string saveTarget(const std::string& path, bool followLinks) {
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (!followLinks)
            return path;
        char* real = ::realpath(path.c_str(), nullptr);
        // A loop of links or a folder on the way that we may not enter is said as such.
        if (!real && errno != ENOENT)
            throw EFileError("Cannot create file", path, errno);
        if (!real) {
            char to[PATH_MAX];
            const ssize_t n = ::readlink(path.c_str(), to, sizeof to - 1);
            const std::string shown = n > 0 ? std::string(to, static_cast<size_t>(n)) : "?";
            throw EFileError("Cannot create file", path,
                             "It is a link to \"" + shown + "\", which does not exist", ENOENT);
        }
        target = real;
        std::free(real);
    }
    if (::stat(target.c_str(), &st) != 0)
        return target;
    if (!S_ISREG(st.st_mode))
        throw EFileError("Cannot create file", path,
                         S_ISDIR(st.st_mode) ? "It is a folder"
                                             : "It is not a regular file (a device or a pipe)",
                         S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    // The rename needs only the folder's permission: a file the user may not write (their
    // own read-only job, another user's file in a shared folder) would be replaced all the
    // same. What the user could not open for writing is refused.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        throw EFileError("Cannot create file", path, errno);
    return target;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Temporaries of writers that have not committed, for RemoveTemporaryFiles(). A slot is
// claimed (1), filled, then published (2); a handler only reads published slots.
// A shapefile of three layers is fifteen files, all in temporaries before the first rename.
constexpr int kSlots = 16;
struct TempSlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
TempSlot g_slots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int publishTemp(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_slots[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].state.store(2);
            return i;
        }
    }
    return -1; // more writers at once than slots: that one is not removed by a signal
}

void withdrawTemp(int& slot) {
    if (slot >= 0)
        g_slots[slot].state.store(0);
    slot = -1;
}

// Our temporaries are ".NAME.pointbridge-XXXXXX": the mark tells them from the user's own
// hidden files beside NAME (".job.txt.backup"), which a stale-temporary cleanup must never
// take for ours.
constexpr std::string_view kTempMark = ".pointbridge-";
constexpr size_t kTempExtra = 1 + kTempMark.size() + 6; // the leading dot, the mark, XXXXXX

// The part of the target's name in its temporary's name: shortened where the whole would
// pass the folder's limit on names, so that any name the system takes can be saved.
std::string tempBase(const std::string& folder, const std::string& base) {
    long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (max <= 0)
        max = NAME_MAX;
    const size_t room = static_cast<size_t>(std::max<long>(max, kTempExtra + 1)) - kTempExtra;
    if (base.size() <= room)
        return base;
    size_t cut = room;
    // Not in the middle of a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
        --cut;
    return base.substr(0, cut);
}

// A temporary of ours that a killed writer left, whatever file it was for: our marked name,
// a regular file of this user with no other link, and not locked (a live writer holds the
// lock on its own temporary from the moment it knows the name is still its own).
bool isTempName(std::string_view n) {
    if (n.size() < kTempExtra + 1 || n[0] != '.' ||
        n.substr(n.size() - 6 - kTempMark.size(), kTempMark.size()) != kTempMark)
        return false;
    for (size_t i = n.size() - 6; i < n.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(n[i])))
            return false;
    return true;
}

void removeStaleTemps(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTempName(entry->d_name))
            continue;
        const int fd = ::openat(::dirfd(dir), entry->d_name,
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {}, again {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            st.st_nlink == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(::dirfd(dir), entry->d_name, &again, AT_SYMLINK_NOFOLLOW) == 0 &&
            again.st_ino == st.st_ino && again.st_dev == st.st_dev)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

// True once the temporary behind `fd` is locked and still under `name`: from then on no
// cleanup of another writer takes it. A cleanup that locked it first has removed it or
// is about to. A file system without locks keeps the temporary unlocked, and there no
// cleanup removes anything.
bool claimTemp(int fd, const char* name) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK;
    struct stat mine {}, named {};
    return ::fstat(fd, &mine) == 0 && ::lstat(name, &named) == 0 && mine.st_ino == named.st_ino &&
           mine.st_dev == named.st_dev;
}

// Signals that end the program (and remove published temporaries) wait while a
// temporary is made and published, so that none is left behind unpublished.
class TBlockEndingSignals {
public:
    TBlockEndingSignals() {
        sigset_t ending;
        sigemptyset(&ending);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&ending, s);
        ::pthread_sigmask(SIG_BLOCK, &ending, &m_before);
    }
    ~TBlockEndingSignals() { ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    TBlockEndingSignals(const TBlockEndingSignals&) = delete;
    TBlockEndingSignals& operator=(const TBlockEndingSignals&) = delete;

private:
    sigset_t m_before;
};

// The replaced file's permissions, without set-user-ID, set-group-ID and sticky bits: a
// saved point file is never a program.
mode_t newFileMode(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 0777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

TSafeFileWriter::TSafeFileWriter(const std::string& path, TFileSystemCalls* calls,
                                 const TReplaceOptions& options)
    : m_calls(calls ? calls : &m_plain), m_shown(path),
      m_target(saveTarget(path, options.FollowLinks)) {
    const std::string folder = folderOf(m_target);
    const std::string base = tempBase(folder, m_target.substr(m_target.rfind('/') + 1));
    removeStaleTemps(folder);
    const std::string temp = folder + "/." + base + std::string(kTempMark) + "XXXXXX";
    for (int attempt = 0; m_fd < 0; ++attempt) {
        std::vector<char> name(temp.begin(), temp.end());
        name.push_back('\0');
        {
            TBlockEndingSignals block;
            const int fd = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd < 0)
                throw EFileError("Cannot create file", m_shown, errno);
            m_fd = fd;
            m_temp.assign(name.data());
            m_slot = publishTemp(m_temp);
        }
        if (!claimTemp(m_fd, m_temp.c_str())) {
            // A cleanup took it for a stale one: drop it and make another.
            ::close(m_fd);
            m_fd = -1;
            withdrawTemp(m_slot);
            m_temp.clear();
            if (attempt == 3)
                throw EFileError("Cannot create file", m_shown, EBUSY);
        }
    }
    const mode_t mode = options.Mode >= 0 ? static_cast<mode_t>(options.Mode) & 0777
                                          : newFileMode(m_target);
    if (::fchmod(m_fd, mode) != 0)
        Fail("Cannot create file", errno);
}

TSafeFileWriter::~TSafeFileWriter() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temp.empty())
        ::unlink(m_temp.c_str());
    withdrawTemp(m_slot);
}

void TSafeFileWriter::Fail(const char* what, int err) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(m_temp.c_str());
    withdrawTemp(m_slot);
    m_temp.clear();
    throw EFileError(what, m_shown, err);
}

void TSafeFileWriter::Write(std::string_view bytes) {
    if (m_fd < 0)
        throw EFileError("Cannot write file", m_shown, EBADF);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = m_calls->Write(m_fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot write file", errno);
        }
        if (w == 0)
            Fail("Cannot write file", ENOSPC);
        done += static_cast<size_t>(w);
    }
}

void TSafeFileWriter::Commit() {
    if (m_fd < 0)
        throw EFileError("Cannot write file", m_shown, EBADF);
    // Data first on disk, then the name: a crash in between leaves the old file.
    if (m_calls->Sync(m_fd) != 0)
        Fail("Cannot write file", errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        Fail("Cannot write file", errno);
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
        Fail("Cannot create file", errno);
    m_committed = true;
    // Only now: a signal between the rename and here finds the name gone, which is harmless.
    withdrawTemp(m_slot);
    // The rename reaches the disk with its folder; a failure here loses nothing the user
    // could act on, so it is not reported.
    const int dir = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void RemoveTemporaryFiles() noexcept {
    for (TempSlot& slot : g_slots)
        if (slot.state.load() == 2)
            ::unlink(slot.path);
}

void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         TFileSystemCalls* calls, const TReplaceOptions& options) {
    TSafeFileWriter writer(path, calls, options);
    writer.Write(bytes);
    writer.Commit();
}
