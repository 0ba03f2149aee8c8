#pragma once

#include "comm/ComTypes.h"

#include <cstdint>
#include <string>

#include <termios.h>

enum class TComErrorCode : int;

// Every line setting of a port in one value, written to the device in one call.
struct TDeviceControl {
    int BaudRate = 9600; // bits per second
    bool ParityCheck = false;
    bool OutCtsFlow = false;
    bool OutDsrFlow = false;
    TDTRFlowControl DtrControl = dtrDisable;
    bool DsrSensitivity = false;
    bool TxContinueOnXoff = false;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool ReplaceParityErrors = false;
    unsigned char ErrorChar = 0;
    bool DiscardNull = false;
    TRTSFlowControl RtsControl = rtsDisable;
    int XonLim = 0; // bytes
    int XoffLim = 0;
    int DataBits = 8; // 5 to 8
    TParityBits Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    unsigned char XonChar = 17;
    unsigned char XoffChar = 19;
    unsigned char EventChar = 0;
};

// Read and write time-outs, milliseconds, as unsigned 32-bit values (0xFFFFFFFF = "all bits").
struct TDeviceTimeouts {
    std::uint32_t ReadInterval = 0xFFFFFFFFu;
    std::uint32_t ReadTotalMultiplier = 0;
    std::uint32_t ReadTotalConstant = 0;
    std::uint32_t WriteTotalMultiplier = 0;
    std::uint32_t WriteTotalConstant = 0;
};

struct TModemLines {
    bool CTS = false;
    bool DSR = false;
    bool Ring = false;
    bool RLSD = false;
};

// Counters of line errors kept by the serial driver; compared between two readings.
struct TLineCounters {
    int Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufferOverrun = 0;
};

// Our serial device on the POSIX terminal interface. Every failure raises EComPort with
// the code of the operation. Used on the user-interface thread; the event thread only uses
// the descriptor for waiting and the free functions at the end.
class SerialDevice {
public:
    SerialDevice() = default;
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;
    ~SerialDevice();

    // Opens `path` exclusively in raw mode (EComPort Open). A second opener is refused.
    void Open(const std::string& path);
    // Restores the line as it was found and closes it; never fails.
    void Close() noexcept;
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    void SetQueueSizes(int inputSize, int outputSize); // QueueSizes
    void SetLine(const TDeviceControl& control);       // LineSettings
    void SetTimeouts(const TDeviceTimeouts& timeouts); // Timeouts

    // Reads up to `count` bytes under the read time-outs (Read); NUL bytes are dropped
    // when the line settings ask for it, so fewer bytes than taken may come back.
    int Read(char* buffer, int count);
    // Writes under the write time-out (Write); returns the bytes that left the queue.
    int Write(const char* data, int count);
    // Hands the driver what it takes now, without waiting (Write); returns that count.
    int WriteSome(const char* data, int count);
    // Bytes handed over but not yet sent; 0 on a device that cannot tell.
    int OutputCount();
    // Drops what waits to be sent (the rest of a broken upload).
    void DiscardOutput() noexcept;

    // For a close that keeps every byte received: reads what the line still delivers until
    // it has been quiet for a moment (or a second has passed, for a sender that goes on).
    // With `holdSender` the sender is held with XOFF meanwhile and let go again at the end,
    // so that it is not left waiting. Never fails: a line gone bad ends it.
    std::string TakeRemainingInput(bool holdSender);
    int InputCount();             // bytes waiting in the input queue (LineStatus)
    TComErrors TakeLineErrors();  // errors since the last call (LineStatus)
    TModemLines ModemStatus();    // off on a device without modem lines (ModemStatus)
    void AbortTransfers();        // Purge
    // Discards both queues; a hung-up device has nothing left to discard.
    static void PurgeQueues(int fd) noexcept;
    // The driver's error counters; false when the device keeps none.
    static bool ReadLineCounters(int fd, TLineCounters& counters) noexcept;

private:
    // Raises EComPort `code` with the system's error and the device path, for the message's
    // second line.
    [[noreturn]] void fail(TComErrorCode code) const;
    [[noreturn]] void fail(TComErrorCode code, int osError) const;
    void applyTermios(const TDeviceControl& control);
    void applyModemControl(const TDeviceControl& control);

    int m_fd = -1;
    std::string m_path; // the device last opened, for messages
    bool m_exclusive = false;
    termios m_saved{};
    bool m_savedValid = false;
    bool m_discardNull = false;
    bool m_parityCheck = false;
    TDeviceTimeouts m_timeouts;
    TLineCounters m_counters;
};

// Sets a bit rate that has no B-constant (termios2 BOTHER); returns 0 or an errno value.
int SetOtherBaudRate(int fd, int rate);
