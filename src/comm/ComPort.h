#pragma once

#include "comm/ComTypes.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class SerialDevice;
class TComNotifier;
class TComThread;
class TCustomComPort;
struct TDeviceControl;

// Event handlers. They run on the user-interface thread (window sync), one at a time.
using TNotifyEvent = std::function<void(TCustomComPort* Sender)>;
using TRxCharEvent = std::function<void(TCustomComPort* Sender, int Count)>;
using TRxBufEvent = std::function<void(TCustomComPort* Sender, const char* Buffer, int Count)>;
using TComErrorEvent = std::function<void(TCustomComPort* Sender, TComErrors Errors)>;
using TComSignalEvent = std::function<void(TCustomComPort* Sender, bool OnOff)>;

class TComParity {
public:
    explicit TComParity(TCustomComPort* port) : m_port(port) {}
    TParityBits Bits() const { return m_bits; }
    void SetBits(TParityBits value);
    bool Check() const { return m_check; }
    void SetCheck(bool value);
    bool Replace() const { return m_replace; }
    void SetReplace(bool value);
    unsigned char ReplaceChar() const { return m_replaceChar; }
    void SetReplaceChar(unsigned char value);

private:
    template <class T> void set(T& field, T value);
    TCustomComPort* m_port;
    TParityBits m_bits = prNone;
    bool m_check = false;
    bool m_replace = false;
    unsigned char m_replaceChar = 0;
};

class TComFlowControl {
public:
    explicit TComFlowControl(TCustomComPort* port) : m_port(port) {}
    bool OutCTSFlow() const { return m_outCTSFlow; }
    void SetOutCTSFlow(bool value);
    bool OutDSRFlow() const { return m_outDSRFlow; }
    void SetOutDSRFlow(bool value);
    TDTRFlowControl ControlDTR() const { return m_controlDTR; }
    void SetControlDTR(TDTRFlowControl value);
    TRTSFlowControl ControlRTS() const { return m_controlRTS; }
    void SetControlRTS(TRTSFlowControl value);
    bool XonXoffOut() const { return m_xonXoffOut; }
    void SetXonXoffOut(bool value);
    bool XonXoffIn() const { return m_xonXoffIn; }
    void SetXonXoffIn(bool value);
    bool DSRSensitivity() const { return m_dsrSensitivity; }
    void SetDSRSensitivity(bool value);
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }
    void SetTxContinueOnXoff(bool value);
    unsigned char XonChar() const { return m_xonChar; }
    void SetXonChar(unsigned char value);
    unsigned char XoffChar() const { return m_xoffChar; }
    void SetXoffChar(unsigned char value);

    // Derived from RTS control, CTS flow and the two XON/XOFF flags.
    TFlowControl FlowControl() const;
    // fcCustom changes no field; every value re-applies the line settings.
    void SetFlowControl(TFlowControl value);

private:
    template <class T> void set(T& field, T value);
    TCustomComPort* m_port;
    bool m_outCTSFlow = false;
    bool m_outDSRFlow = false;
    TDTRFlowControl m_controlDTR = dtrDisable;
    TRTSFlowControl m_controlRTS = rtsDisable;
    bool m_xonXoffOut = false;
    bool m_xonXoffIn = false;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = false;
    unsigned char m_xonChar = 17;
    unsigned char m_xoffChar = 19;
};

// Milliseconds. ReadInterval -1 (all bits) with both read totals 0: a read returns at once.
class TComTimeouts {
public:
    explicit TComTimeouts(TCustomComPort* port) : m_port(port) {}
    std::int32_t ReadInterval() const { return m_readInterval; }
    void SetReadInterval(std::int32_t value);
    std::int32_t ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    void SetReadTotalMultiplier(std::int32_t value);
    std::int32_t ReadTotalConstant() const { return m_readTotalConstant; }
    void SetReadTotalConstant(std::int32_t value);
    std::int32_t WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    void SetWriteTotalMultiplier(std::int32_t value);
    std::int32_t WriteTotalConstant() const { return m_writeTotalConstant; }
    void SetWriteTotalConstant(std::int32_t value);

private:
    void set(std::int32_t& field, std::int32_t value);
    TCustomComPort* m_port;
    std::int32_t m_readInterval = -1;
    std::int32_t m_readTotalMultiplier = 0;
    std::int32_t m_readTotalConstant = 0;
    std::int32_t m_writeTotalMultiplier = 100;
    std::int32_t m_writeTotalConstant = 1000;
};

// Queue sizes, bytes; both kept even (an odd size stores one less).
class TComBuffer {
public:
    explicit TComBuffer(TCustomComPort* port) : m_port(port) {}
    std::int32_t InputSize() const { return m_inputSize; }
    void SetInputSize(std::int32_t value);
    std::int32_t OutputSize() const { return m_outputSize; }
    void SetOutputSize(std::int32_t value);

private:
    void set(std::int32_t& field, std::int32_t value);
    TCustomComPort* m_port;
    std::int32_t m_inputSize = 1024;
    std::int32_t m_outputSize = 1024;
};

// The serial port. Every operation runs on the user-interface thread; the event thread only
// waits and notifies. Destroying the port closes it.
class TCustomComPort : public QObject {
    Q_OBJECT
public:
    explicit TCustomComPort(QObject* owner = nullptr);
    ~TCustomComPort() override;

    void Open();
    void Close();
    // Closes the port and returns the bytes still waiting in its input queue, which Close
    // discards: a receive ended before the instrument finished keeps every byte up to here.
    std::string CloseTakingInput();
    bool Connected() const { return m_connected; }
    void SetConnected(bool value);
    // True when the port closed itself because its line hung up, until the next Open.
    bool LineHungUp() const { return m_lineHungUp; }

    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    // Runs `change` between BeginUpdate and EndUpdate, so that several settings reach an open
    // port at once. When `change` throws, the update still ends (quietly) and its error passes on.
    template <class F> void Update(F&& change) {
        BeginUpdate();
        try {
            change();
        } catch (...) {
            try {
                EndUpdate();
            } catch (...) {
            }
            throw;
        }
        EndUpdate();
    }
    void ApplyPortSettings();
    void ApplyBufferSizes();
    void ApplyLineSettings();
    void ApplyTimeouts();

    int WaitingInputCount();
    // Reads Count bytes under the time-outs; `text` gets what was read (NULs dropped when
    // DiscardNull). Returns the number of bytes in `text`.
    int ReadText(std::string& text, int Count);
    // Writes the bytes of `text`; fewer than all when the write time-out ends it.
    int WriteText(const std::string& text);
    // For sending in steps: hands over what the driver takes now, without waiting, and
    // tells how many handed-over bytes still wait to be sent.
    int WriteSome(const char* data, int count);
    int OutputCount();
    void DiscardOutput();
    // Shows the setup dialog on this port; true when the user pressed OK. The dialog is a
    // window, so the port does not bring it: programs with windows install it once
    // (InstallComSetupDialog in comm/forms). Without one this throws std::logic_error.
    bool ExecuteSetupDialog();
    using TSetupDialog = std::function<bool(TCustomComPort& port)>;
    static void SetSetupDialog(TSetupDialog dialog);

    // A device path ("/dev/ttyUSB0"), a name under /dev ("ttyUSB0") or "COMn" (/dev/ttyS<n-1>).
    const std::string& Port() const { return m_port; }
    void SetPort(const std::string& value);
    TBaudRate BaudRate() const { return m_baudRate; }
    void SetBaudRate(TBaudRate value);
    std::int32_t CustomBaudRate() const { return m_customBaudRate; }
    void SetCustomBaudRate(std::int32_t value);
    TDataBits DataBits() const { return m_dataBits; }
    void SetDataBits(TDataBits value);
    TStopBits StopBits() const { return m_stopBits; }
    void SetStopBits(TStopBits value);
    bool DiscardNull() const { return m_discardNull; }
    void SetDiscardNull(bool value);
    unsigned char EventChar() const { return m_eventChar; }
    void SetEventChar(unsigned char value);
    TComEvents Events() const { return m_events; }
    void SetEvents(TComEvents value) { m_events = value; } // takes effect at the next Open
    TSyncMethod SyncMethod() const { return m_syncMethod; }
    void SetSyncMethod(TSyncMethod value); // refused while connected (WhileConnected)

    TComParity& Parity() { return *m_parity; }
    TComFlowControl& FlowControl() { return *m_flowControl; }
    TComTimeouts& Timeouts() { return *m_timeouts; }
    TComBuffer& Buffer() { return *m_buffer; }
    const TComParity& Parity() const { return *m_parity; }
    const TComFlowControl& FlowControl() const { return *m_flowControl; }
    const TComTimeouts& Timeouts() const { return *m_timeouts; }
    const TComBuffer& Buffer() const { return *m_buffer; }

    // The device control block the line settings produce (bit rate, limits, flags).
    TDeviceControl LineSettings() const;
    // True while the event thread runs.
    bool HasEventThread() const { return m_thread != nullptr; }
    // Processor time of the event thread of the last open, nanoseconds, known after Close.
    std::int64_t LastEventThreadCpuTime() const { return m_lastThreadCpuTime; }

    TNotifyEvent OnAfterOpen, OnAfterClose, OnBeforeOpen, OnBeforeClose;
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnRxFlag, OnRx80Full;
    TComSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
    TComErrorEvent OnError;

    // Used by the event thread and its notifier.
    void ActOnNotification(int code);
    void ReleaseEventThread();

private:
    template <class T> void setLine(T& field, T value);
    void raiseSignals(bool fromDevice);
    void stopEventThread(bool purge = true);
    void closeDevice(std::string* rest);

    std::unique_ptr<SerialDevice> m_device;
    std::string m_port = "COM1";
    TBaudRate m_baudRate = br9600;
    std::int32_t m_customBaudRate = 9600;
    TDataBits m_dataBits = dbEight;
    TStopBits m_stopBits = sbOneStopBit;
    bool m_discardNull = false;
    unsigned char m_eventChar = 0;
    TComEvents m_events = kAllComEvents;
    TSyncMethod m_syncMethod = smThreadSync;
    std::unique_ptr<TComParity> m_parity;
    std::unique_ptr<TComFlowControl> m_flowControl;
    std::unique_ptr<TComTimeouts> m_timeouts;
    std::unique_ptr<TComBuffer> m_buffer;
    bool m_connected = false;
    bool m_lineHungUp = false;
    int m_updateCount = 0;
    std::unique_ptr<TComThread> m_thread;
    TComNotifier* m_notifier = nullptr;
    std::int64_t m_lastThreadCpuTime = 0;
};

// The published port. It adds nothing to TCustomComPort.
class TComPort : public TCustomComPort {
    Q_OBJECT
public:
    using TCustomComPort::TCustomComPort;
};
