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

// Replaces the file at `path` with `bytes`, or leaves it as it was: the bytes go to a
// temporary file in the same folder, which is synced and then renamed over the target.
// A symbolic link is followed, so the file it names is replaced. Throws EFileError naming
// `path` and the reason.
void ReplaceFileContents(const std::string& path, std::string_view bytes,
                         TFileSystemCalls* calls = nullptr);
