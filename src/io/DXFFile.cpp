#include "io/DXFFile.h"

#include "model/NCADProject.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

EDXFWriteError fileError(const char* what, const std::string& path, int err) {
    return EDXFWriteError(std::string(what) + " \"" + path + "\". " + DxfSystemErrorText(err));
}

// Bytes to a descriptor; short writes continue, interrupted ones are retried.
class FdSink : public TDXFSink {
public:
    FdSink(int fd, const std::string& path) : m_fd(fd), m_path(path) {}
    void Write(std::string_view bytes) override {
        const char* p = bytes.data();
        size_t left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw fileError("Cannot write file", m_path, errno);
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
    }

private:
    int m_fd;
    const std::string& m_path;
};

// The file that a save to `path` replaces: a symbolic link is followed so that the link
// stays and its target gets the new contents.
std::string resolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string out(real);
            std::free(real);
            return out;
        }
    }
    return path;
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a newly created file gets, or the mode of the file being replaced.
mode_t modeFor(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The temporary file: open, removed again unless Commit() renamed it.
class TempFile {
public:
    // `shown` is the path as the user gave it, for the messages.
    TempFile(const std::string& target, const std::string& shown)
        : m_target(target), m_shown(shown) {
        std::string name = directoryOf(target) + "/." + baseNameOf(target) + ".XXXXXX";
        std::vector<char> tmpl(name.begin(), name.end());
        tmpl.push_back('\0');
        m_fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
        if (m_fd < 0)
            throw fileError("Cannot create file", m_shown, errno);
        m_path.assign(tmpl.data());
        ::fchmod(m_fd, modeFor(target));
    }
    ~TempFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed)
            ::unlink(m_path.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int Fd() const { return m_fd; }

    // Puts the bytes on disk, then gives them the target's name.
    void Commit() {
        if (::fsync(m_fd) != 0)
            throw fileError("Cannot write file", m_shown, errno);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw fileError("Cannot write file", m_shown, errno);
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            throw fileError("Cannot create file", m_shown, errno);
        m_committed = true;
        // The rename itself reaches the disk with the folder; failing here loses nothing
        // the user could act on, so it is not reported.
        const int dir = ::open(directoryOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }

private:
    std::string m_target;
    std::string m_shown;
    std::string m_path;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace

std::string DxfSystemErrorText(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    case EACCES:
    case EPERM:
        return "File access denied";
    default:
        break;
    }
    char buf[256];
    // GNU strerror_r: the text may be in `buf` or a static string.
    return ::strerror_r(err, buf, sizeof buf);
}

void WriteDxfFile(const std::string& path, const TNCADProject& project,
                  const TDXFExtents& extents) {
    const std::string target = resolveTarget(path);
    TempFile temp(target, path);
    FdSink sink(temp.Fd(), path);
    DXF_Writer writer(sink, project, extents);
    writer.WriteAll();
    temp.Commit();
}

TDXFExtents FitExtents(const TNCADProject& project) {
    bool any = false;
    TDXFExtents e;
    for (const auto& item : project) {
        for (const auto& p : item->Points) {
            if (!any) {
                e = {p->X, p->Y, p->X, p->Y};
                any = true;
                continue;
            }
            e.MinX = std::min(e.MinX, p->X);
            e.MinY = std::min(e.MinY, p->Y);
            e.MaxX = std::max(e.MaxX, p->X);
            e.MaxY = std::max(e.MaxY, p->Y);
        }
    }
    if (!any)
        return {};
    const double dx = (e.MaxX - e.MinX) / 10;
    e.MinX -= dx;
    e.MaxX += dx;
    const double dy = (e.MaxY - e.MinY) / 10;
    e.MinY -= dy;
    e.MaxY += dy;
    return e;
}

void ConvertToDxf(const TNCADProject& project, const std::string& outPath) {
    WriteDxfFile(outPath, project, FitExtents(project));
}
