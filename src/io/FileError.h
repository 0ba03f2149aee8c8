#pragma once

#include <stdexcept>
#include <string>

// A file that cannot be opened, read or written. The message names the path and the
// system's reason, e.g. Cannot open file "/x/a.txt". No such file or directory
class EFileError : public std::runtime_error {
public:
    EFileError(const char* what, const std::string& path, int errnum);
    // A reason of our own, where the system's number would not say it.
    EFileError(const char* what, const std::string& path, const std::string& reason,
               int errnum);

    const std::string& Path() const { return m_path; }
    int ErrorNumber() const { return m_errno; }

private:
    std::string m_path;
    int m_errno;
};

// The system's reason for `errnum`, in words a user understands ("Disk full").
std::string SystemReason(int errnum);
