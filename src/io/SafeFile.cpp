#include "io/SafeFile.h"

#include "io/FileError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

ssize_t TFileSystemCalls::Write(int fd, const char* data, size_t size) {
    return ::write(fd, data, size);
}

int TFileSystemCalls::Sync(int fd) { return ::fsync(fd); }

namespace {

std::string resolveLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string r(real);
            std::free(real);
            return r;
        }
    }
    return path;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t newFileMode(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

TSafeFileWriter::TSafeFileWriter(const std::string& path, TFileSystemCalls* calls)
    : m_calls(calls ? calls : &m_plain), m_shown(path), m_target(resolveLink(path)) {
    const std::string base = m_target.substr(m_target.rfind('/') + 1);
    std::string temp = folderOf(m_target) + "/." + base + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
        throw EFileError("Cannot create file", m_shown, errno);
    m_temp.assign(name.data());
    if (::fchmod(m_fd, newFileMode(m_target)) != 0)
        Fail("Cannot create file", errno);
}

TSafeFileWriter::~TSafeFileWriter() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_temp.empty())
        ::unlink(m_temp.c_str());
}

void TSafeFileWriter::Fail(const char* what, int err) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(m_temp.c_str());
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
    // The rename reaches the disk with its folder; a failure here loses nothing the user
    // could act on, so it is not reported.
    const int dir = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         TFileSystemCalls* calls) {
    TSafeFileWriter writer(path, calls);
    writer.Write(bytes);
    writer.Commit();
}
