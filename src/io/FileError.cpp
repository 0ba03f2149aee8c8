#include "io/FileError.h"

#include <cerrno>
#include <cstring>

std::string SystemReason(int errnum) {
    switch (errnum) {
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
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(errnum, buf, sizeof buf);
    return text;
}

EFileError::EFileError(const char* what, const std::string& path, int errnum)
    : EFileError(what, path, SystemReason(errnum), errnum) {}

EFileError::EFileError(const char* what, const std::string& path, const std::string& reason,
                       int errnum)
    : std::runtime_error(std::string(what) + " \"" + path + "\". " + reason), m_path(path),
      m_errno(errnum) {}
