#pragma once

#include <stdexcept>
#include <string>

// The serial port's one error type. Codes: 1 open, 2 write, 3 read, 5 purge, 7 line settings,
// 8 time-outs, 9 queue sizes, 10 line errors / input count, 11 modem lines, 14 property
// while connected, 23 port list. The others are reserved.
// With a device, the message has a second line naming it and the system's reason
// ("/dev/ttyUSB0: No such file or directory"), so that the user knows what failed.
class EComPort : public std::runtime_error {
public:
    // `osError` is the system's error number, -1 when there is none.
    EComPort(int code, int osError, const std::string& device = {});

    int ErrorCode() const { return m_code; }
    int OsErrorCode() const { return m_osError; }
    const std::string& Device() const { return m_device; }

private:
    int m_code;
    int m_osError;
    std::string m_device;
};

// The text domain of the port's own texts (error messages, setup dialog captions).
inline constexpr const char* kComTextDomain = "comport";

// Raises `code` with the current errno: the one place that turns a failed system call
// into a port error.
[[noreturn]] void RaiseComError(int code);
// Raises `code` with the given system error number (-1: none) and, if known, the device.
[[noreturn]] void RaiseComError(int code, int osError, const std::string& device = {});
