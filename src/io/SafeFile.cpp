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

void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         TFileSystemCalls* calls) {
    TFileSystemCalls plain;
    if (!calls)
        calls = &plain;
    const std::string target = resolveLink(path);
    const std::string folder = folderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    std::string temp = folder + "/." + base + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        throw EFileError("Cannot create file", path, errno);
    temp.assign(name.data());

    auto fail = [&](const char* what, int err, bool open) {
        if (open)
            ::close(fd);
        ::unlink(temp.c_str());
        throw EFileError(what, path, err);
    };
    if (::fchmod(fd, newFileMode(target)) != 0)
        fail("Cannot create file", errno, true);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = calls->Write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            fail("Cannot write file", errno, true);
        }
        if (w == 0)
            fail("Cannot write file", ENOSPC, true);
        done += static_cast<size_t>(w);
    }
    // Data first on disk, then the name: a crash in between leaves the old file.
    if (calls->Sync(fd) != 0)
        fail("Cannot write file", errno, true);
    if (::close(fd) != 0)
        fail("Cannot write file", errno, false);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        fail("Cannot create file", errno, false);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
