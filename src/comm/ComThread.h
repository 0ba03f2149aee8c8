#pragma once

#include "comm/ComTypes.h"
#include "comm/SerialDevice.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <thread>

class TCustomComPort;

// Codes of the notifications, one per event, in the order they are sent for one wake-up.
namespace ComNotify {
inline constexpr int kError = 0x80, kRxChar = 0x1, kTxEmpty = 0x4, kBreak = 0x40, kRing = 0x100,
                     kCTS = 0x8, kDSR = 0x10, kRxFlag = 0x2, kRLSD = 0x20, kRx80Full = 0x400;
// Not an event of the line: sent once after a hang-up has been reported, so that the port
// closes and lets go of the vanished device.
inline constexpr int kHangUp = 0x10000;
} // namespace ComNotify

// The user-interface thread's end of the notifications: a hidden object that takes them in
// the thread's event loop (also inside modal dialogs), releases the sender at once and then
// lets the port act. Detached at close; what arrives later does nothing.
class TComNotifier : public QObject {
    Q_OBJECT
public:
    explicit TComNotifier(TCustomComPort* port);
    void Detach() { m_port = nullptr; }

protected:
    void customEvent(QEvent* event) override;

private:
    TCustomComPort* m_port;
};

// The event thread of an open port. It waits on the device and a stop signal with no time
// limit and sends one notification per event to the user-interface thread. Received bytes
// stay in the driver's queue: the device is watched edge-triggered, so a wake-up means new
// bytes, never bytes already announced. A hang-up is reported once (as a line error, whose
// handling then fails with the device's EIO), ends the waiting and closes the port.
// Reported on Linux: evRxChar, evRx80Full, and evError/evBreak where the driver counts line
// errors. Not reported: evTxEmpty, evRing, evCTS, evDSR, evRLSD (the modem lines can only be
// waited for with a blocking ioctl) and evRxFlag (no driver support for an event character).
class TComThread {
public:
    TComThread(TCustomComPort* port, int fd, TComEvents events, TSyncMethod sync,
               TComNotifier* notifier, int inputSize);
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;
    ~TComThread();

    // User-interface thread: ends the thread and waits for it. Cannot deadlock against a
    // notification in flight: the sender's wait also ends on the stop signal. Without
    // `purge` the bytes waiting in the input queue are left there for a last read.
    void Stop(bool purge = true);
    // User-interface thread: the notification was taken; the sender may go on.
    void Release();
    // Processor time the thread used, nanoseconds; complete once it has ended.
    std::int64_t CpuTime() const { return m_cpuTime.load(); }

private:
    void Execute();
    bool WaitLoop(int ep);
    TComEvents ArrivalEvents();
    void Dispatch(TComEvents events);
    bool Send(int code);

    TCustomComPort* m_port;
    int m_fd;
    TComEvents m_events;
    TSyncMethod m_sync;
    TComNotifier* m_notifier;
    int m_inputSize;
    // The driver's error counters, as the event thread last saw them.
    TLineCounters m_counters;
    bool m_haveCounters = false;
    int m_stopFd = -1;
    int m_releaseFd = -1;
    std::atomic<bool> m_purgeAtStop = true;
    std::atomic<std::int64_t> m_cpuTime = 0;
    std::thread m_thread;
};
