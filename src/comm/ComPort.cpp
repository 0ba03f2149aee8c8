#include "comm/ComPort.h"

#include "comm/ComError.h"
#include "comm/ComThread.h"
#include "comm/PortNames.h"
#include "comm/SerialDevice.h"

#include <stdexcept>

// --- settings groups: a changed value is stored and its group re-applied

template <class T> void TComParity::set(T& field, T value) {
    if (field == value)
        return;
    field = value;
    m_port->ApplyLineSettings();
}
void TComParity::SetBits(TParityBits value) { set(m_bits, value); }
void TComParity::SetCheck(bool value) { set(m_check, value); }
void TComParity::SetReplace(bool value) { set(m_replace, value); }
void TComParity::SetReplaceChar(unsigned char value) { set(m_replaceChar, value); }

template <class T> void TComFlowControl::set(T& field, T value) {
    if (field == value)
        return;
    field = value;
    m_port->ApplyLineSettings();
}
void TComFlowControl::SetOutCTSFlow(bool value) { set(m_outCTSFlow, value); }
void TComFlowControl::SetOutDSRFlow(bool value) { set(m_outDSRFlow, value); }
void TComFlowControl::SetControlDTR(TDTRFlowControl value) { set(m_controlDTR, value); }
void TComFlowControl::SetControlRTS(TRTSFlowControl value) { set(m_controlRTS, value); }
void TComFlowControl::SetXonXoffOut(bool value) { set(m_xonXoffOut, value); }
void TComFlowControl::SetXonXoffIn(bool value) { set(m_xonXoffIn, value); }
void TComFlowControl::SetDSRSensitivity(bool value) { set(m_dsrSensitivity, value); }
void TComFlowControl::SetTxContinueOnXoff(bool value) { set(m_txContinueOnXoff, value); }
void TComFlowControl::SetXonChar(unsigned char value) { set(m_xonChar, value); }
void TComFlowControl::SetXoffChar(unsigned char value) { set(m_xoffChar, value); }

TFlowControl TComFlowControl::FlowControl() const {
    if (m_controlRTS == rtsHandshake && m_outCTSFlow && !m_xonXoffIn && !m_xonXoffOut)
        return fcHardware;
    if (m_controlRTS == rtsDisable && !m_outCTSFlow && m_xonXoffIn && m_xonXoffOut)
        return fcSoftware;
    if (m_controlRTS == rtsDisable && !m_outCTSFlow && !m_xonXoffIn && !m_xonXoffOut)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    if (value != fcCustom) {
        m_controlRTS = rtsDisable;
        m_outCTSFlow = false;
        m_xonXoffIn = false;
        m_xonXoffOut = false;
        if (value == fcHardware) {
            m_controlRTS = rtsHandshake;
            m_outCTSFlow = true;
        } else if (value == fcSoftware) {
            m_xonXoffIn = true;
            m_xonXoffOut = true;
        }
    }
    m_port->ApplyLineSettings();
}

void TComTimeouts::set(std::int32_t& field, std::int32_t value) {
    if (field == value)
        return;
    field = value;
    m_port->ApplyTimeouts();
}
void TComTimeouts::SetReadInterval(std::int32_t value) { set(m_readInterval, value); }
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) { set(m_readTotalMultiplier, value); }
void TComTimeouts::SetReadTotalConstant(std::int32_t value) { set(m_readTotalConstant, value); }
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
    set(m_writeTotalMultiplier, value);
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) { set(m_writeTotalConstant, value); }

void TComBuffer::set(std::int32_t& field, std::int32_t value) {
    if (value > 0 && value % 2 != 0)
        --value;
    if (field == value)
        return;
    field = value;
    m_port->ApplyBufferSizes();
}
void TComBuffer::SetInputSize(std::int32_t value) { set(m_inputSize, value); }
void TComBuffer::SetOutputSize(std::int32_t value) { set(m_outputSize, value); }

// --- the port

TCustomComPort::TCustomComPort(QObject* owner)
    : QObject(owner), m_device(std::make_unique<SerialDevice>()),
      m_parity(std::make_unique<TComParity>(this)),
      m_flowControl(std::make_unique<TComFlowControl>(this)),
      m_timeouts(std::make_unique<TComTimeouts>(this)),
      m_buffer(std::make_unique<TComBuffer>(this)) {}

TCustomComPort::~TCustomComPort() {
    // The owner may be half destroyed by now: close without calling back into it.
    OnAfterClose = OnBeforeClose = nullptr;
    OnCTSChange = OnDSRChange = OnRLSDChange = nullptr;
    try {
        Close();
    } catch (...) {
        stopEventThread();
        m_device->Close();
        m_connected = false;
    }
}

void TCustomComPort::Open() {
    if (m_connected)
        return;
    if (OnBeforeOpen)
        OnBeforeOpen(this);
    m_device->Open(DevicePath(m_port));
    m_connected = true;
    m_lineHungUp = false;
    try {
        ApplyPortSettings();
        if (!m_events.Empty()) {
            if (m_syncMethod != smNone)
                m_notifier = new TComNotifier(this);
            m_thread = std::make_unique<TComThread>(this, m_device->Fd(), m_events, m_syncMethod,
                                                    m_notifier, m_buffer->InputSize());
        }
    } catch (...) {
        stopEventThread();
        m_device->Close();
        m_connected = false;
        throw;
    }
    if (OnAfterOpen)
        OnAfterOpen(this);
    raiseSignals(true);
}

void TCustomComPort::Close() { closeDevice(nullptr); }

std::string TCustomComPort::CloseTakingInput() {
    std::string rest;
    closeDevice(&rest);
    return rest;
}

void TCustomComPort::closeDevice(std::string* rest) {
    if (!m_connected)
        return;
    raiseSignals(false);
    if (OnBeforeClose)
        OnBeforeClose(this);
    m_device->AbortTransfers();
    stopEventThread(rest == nullptr);
    if (rest) {
        *rest = m_device->TakeRemainingInput(m_flowControl->XonXoffIn());
        SerialDevice::PurgeQueues(m_device->Fd());
    }
    m_device->Close();
    m_connected = false;
    if (OnAfterClose)
        OnAfterClose(this);
}

void TCustomComPort::SetConnected(bool value) {
    if (value == m_connected)
        return;
    if (value)
        Open();
    else
        Close();
}

void TCustomComPort::stopEventThread(bool purge) {
    if (m_thread) {
        m_thread->Stop(purge);
        m_lastThreadCpuTime = m_thread->CpuTime();
        m_thread.reset();
    }
    if (m_notifier) {
        // A notification still queued for it finds it detached and does nothing; it may be
        // the very notification whose handler is closing the port, hence deleteLater.
        m_notifier->Detach();
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
}

void TCustomComPort::raiseSignals(bool fromDevice) {
    const std::pair<TComSignalEvent*, bool TModemLines::*> lines[] = {
        {&OnCTSChange, &TModemLines::CTS},
        {&OnDSRChange, &TModemLines::DSR},
        {&OnRLSDChange, &TModemLines::RLSD}};
    for (auto [handler, line] : lines) {
        const bool on = fromDevice ? m_device->ModemStatus().*line : false;
        if (*handler)
            (*handler)(this, on);
    }
}

void TCustomComPort::EndUpdate() {
    if (m_updateCount <= 0)
        return;
    if (--m_updateCount == 0)
        ApplyPortSettings();
}

void TCustomComPort::ApplyPortSettings() {
    ApplyBufferSizes();
    ApplyLineSettings();
    ApplyTimeouts();
}

void TCustomComPort::ApplyBufferSizes() {
    if (m_connected && m_updateCount == 0)
        m_device->SetQueueSizes(m_buffer->InputSize(), m_buffer->OutputSize());
}

void TCustomComPort::ApplyLineSettings() {
    if (m_connected && m_updateCount == 0)
        m_device->SetLine(LineSettings());
}

void TCustomComPort::ApplyTimeouts() {
    if (!m_connected || m_updateCount != 0)
        return;
    const TComTimeouts& t = *m_timeouts;
    TDeviceTimeouts d;
    d.ReadInterval = static_cast<std::uint32_t>(t.ReadInterval());
    d.ReadTotalMultiplier = static_cast<std::uint32_t>(t.ReadTotalMultiplier());
    d.ReadTotalConstant = static_cast<std::uint32_t>(t.ReadTotalConstant());
    d.WriteTotalMultiplier = static_cast<std::uint32_t>(t.WriteTotalMultiplier());
    d.WriteTotalConstant = static_cast<std::uint32_t>(t.WriteTotalConstant());
    m_device->SetTimeouts(d);
}

TDeviceControl TCustomComPort::LineSettings() const {
    TDeviceControl c;
    c.BaudRate = m_baudRate == brCustom ? m_customBaudRate : ComText::BaudRateValue(m_baudRate);
    c.ParityCheck = m_parity->Check();
    c.OutCtsFlow = m_flowControl->OutCTSFlow();
    c.OutDsrFlow = m_flowControl->OutDSRFlow();
    c.DtrControl = m_flowControl->ControlDTR();
    c.DsrSensitivity = m_flowControl->DSRSensitivity();
    c.TxContinueOnXoff = m_flowControl->TxContinueOnXoff();
    c.XonXoffOut = m_flowControl->XonXoffOut();
    c.XonXoffIn = m_flowControl->XonXoffIn();
    c.ReplaceParityErrors = m_parity->Check() && m_parity->Replace();
    c.ErrorChar = c.ReplaceParityErrors ? m_parity->ReplaceChar() : 0;
    c.DiscardNull = m_discardNull;
    c.RtsControl = m_flowControl->ControlRTS();
    c.XonLim = m_buffer->InputSize() / 4;
    c.XoffLim = m_buffer->InputSize() / 4;
    c.DataBits = 5 + static_cast<int>(m_dataBits);
    c.Parity = m_parity->Bits();
    c.StopBits = m_stopBits;
    c.XonChar = m_flowControl->XonChar();
    c.XoffChar = m_flowControl->XoffChar();
    c.EventChar = m_eventChar;
    return c;
}

template <class T> void TCustomComPort::setLine(T& field, T value) {
    if (field == value)
        return;
    field = value;
    ApplyLineSettings();
}

void TCustomComPort::SetPort(const std::string& value) {
    if (m_port == value)
        return;
    m_port = value;
    if (m_connected) {
        Close();
        Open();
    }
}
void TCustomComPort::SetBaudRate(TBaudRate value) { setLine(m_baudRate, value); }
void TCustomComPort::SetCustomBaudRate(std::int32_t value) { setLine(m_customBaudRate, value); }
void TCustomComPort::SetDataBits(TDataBits value) { setLine(m_dataBits, value); }
void TCustomComPort::SetStopBits(TStopBits value) { setLine(m_stopBits, value); }
void TCustomComPort::SetDiscardNull(bool value) { setLine(m_discardNull, value); }
void TCustomComPort::SetEventChar(unsigned char value) { setLine(m_eventChar, value); }

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == m_syncMethod)
        return;
    if (m_connected)
        RaiseComError(TComErrorCode::WhileConnected, -1);
    m_syncMethod = value;
}

int TCustomComPort::WaitingInputCount() { return m_device->InputCount(); }

int TCustomComPort::ReadText(std::string& text, int Count) {
    text.clear();
    if (Count <= 0)
        return 0;
    std::string buffer(static_cast<size_t>(Count), '\0');
    const int n = m_device->Read(buffer.data(), Count);
    m_device->InputCount();
    buffer.resize(static_cast<size_t>(n));
    text = std::move(buffer);
    return n;
}

int TCustomComPort::WriteText(const std::string& text) {
    if (text.empty())
        return 0;
    return m_device->Write(text.data(), static_cast<int>(text.size()));
}

int TCustomComPort::WriteSome(const char* data, int count) {
    return count > 0 ? m_device->WriteSome(data, count) : 0;
}

int TCustomComPort::OutputCount() { return m_device->OutputCount(); }

void TCustomComPort::DiscardOutput() { m_device->DiscardOutput(); }

namespace {
TCustomComPort::TSetupDialog& setupDialog() {
    static TCustomComPort::TSetupDialog dialog;
    return dialog;
}
} // namespace

void TCustomComPort::SetSetupDialog(TSetupDialog dialog) { setupDialog() = std::move(dialog); }

bool TCustomComPort::ExecuteSetupDialog() {
    if (!setupDialog())
        throw std::logic_error("ExecuteSetupDialog: this program has no port setup dialog");
    return setupDialog()(*this);
}

void TCustomComPort::ReleaseEventThread() {
    if (m_thread)
        m_thread->Release();
}

void TCustomComPort::ActOnNotification(int code) {
    if (!m_connected)
        return;
    using namespace ComNotify;
    switch (code) {
    case kRxChar: {
        const int count = WaitingInputCount();
        if (count > 0 && OnRxChar)
            OnRxChar(this, count);
        break;
    }
    case kRxFlag:
        if (OnRxFlag)
            OnRxFlag(this);
        break;
    case kTxEmpty:
        if (OnTxEmpty)
            OnTxEmpty(this);
        break;
    case kCTS:
    case kDSR:
    case kRLSD: {
        const TModemLines lines = m_device->ModemStatus();
        if (code == kCTS && OnCTSChange)
            OnCTSChange(this, lines.CTS);
        else if (code == kDSR && OnDSRChange)
            OnDSRChange(this, lines.DSR);
        else if (code == kRLSD && OnRLSDChange)
            OnRLSDChange(this, lines.RLSD);
        break;
    }
    case kBreak:
        if (OnBreak)
            OnBreak(this);
        break;
    case kError: {
        const TComErrors errors = m_device->TakeLineErrors();
        if (!errors.Empty() && OnError)
            OnError(this, errors);
        break;
    }
    case kRing:
        if (OnRing)
            OnRing(this);
        break;
    case kRx80Full:
        if (OnRx80Full)
            OnRx80Full(this);
        break;
    case kHangUp:
        // The next receive or upload opens the device afresh, should it come back.
        Close();
        m_lineHungUp = true;
        break;
    default:
        break;
    }
}
