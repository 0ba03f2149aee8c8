#pragma once

#include <stdexcept>
#include <string>

// What failed at the port. The numbers are those the port's error codes have always had
// (ErrorCode()); the ones missing are reserved.
enum class TComErrorCode : int {
    Open = 1,
    Write = 2,
    Read = 3,
    Purge = 5,           // discarding the queues, aborting transfers
    LineSettings = 7,    // baud rate, bits, parity, flow control
    Timeouts = 8,
    QueueSizes = 9,
    LineStatus = 10,     // line errors, bytes waiting
    ModemStatus = 11,
    WhileConnected = 14, // a property that cannot change while the port is open
    PortList = 23,       // the system's list of ports
};

// The serial port's one error type.
// With a device, the message has a second line naming it and the system's reason
// ("/dev/ttyUSB0: No such file or directory"), so that the user knows what failed.
class EComPort : public std::runtime_error {
public:
    // `osError` is the system's error number, -1 when there is none.
    EComPort(TComErrorCode code, int osError, const std::string& device = {});

    // The number of the TComErrorCode.
    int ErrorCode() const { return m_code; }
    int OsErrorCode() const { return m_osError; }
    const std::string& Device() const { return m_device; }

private:
    int m_code;
    int m_osError;
    std::string m_device;
};

// The text domain of the port's own texts (error messages, the settings dialog and lists).
inline constexpr const char* kComTextDomain = "comport";
// A text of the port's own in the user's language where a catalog has it, else as written
// (UTF-8).
std::string PortText(const char* msgid);

// Raises `code` with the current errno: the one place that turns a failed system call
// into a port error.
[[noreturn]] void RaiseComError(TComErrorCode code);
// Raises `code` with the given system error number (-1: none) and, if known, the device.
[[noreturn]] void RaiseComError(TComErrorCode code, int osError, const std::string& device = {});
