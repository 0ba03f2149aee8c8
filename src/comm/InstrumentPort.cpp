#include "comm/InstrumentPort.h"

#include "comm/ComPort.h"

void ApplyInstrumentSettings(TCustomComPort& port) {
    port.SetPort("COM1");
    port.SetBaudRate(br4800);
    port.SetDataBits(dbEight);
    port.SetStopBits(sbOneStopBit);
    port.Parity().SetBits(prNone);
    port.FlowControl().SetXonXoffOut(true);
    port.FlowControl().SetXonXoffIn(true);
    port.SetDiscardNull(true);
    port.Timeouts().SetReadInterval(100);
    port.Timeouts().SetReadTotalMultiplier(0);
    port.Timeouts().SetReadTotalConstant(0);
    port.Timeouts().SetWriteTotalMultiplier(100);
    port.Timeouts().SetWriteTotalConstant(1000);
    port.Buffer().SetInputSize(8192);
    port.Buffer().SetOutputSize(8192);
    port.SetEvents(kAllComEvents);
    port.SetSyncMethod(smWindowSync);
}

TPortChoice ReadPortChoice(const TCustomComPort& port) {
    TPortChoice c;
    c.Port = port.Port();
    c.BaudRate = port.BaudRate();
    c.CustomBaudRate = port.CustomBaudRate();
    c.DataBits = port.DataBits();
    c.StopBits = port.StopBits();
    c.Parity = port.Parity().Bits();
    c.FlowControl = port.FlowControl().FlowControl();
    return c;
}

void ApplyPortChoice(TCustomComPort& port, const TPortChoice& choice) {
    port.Update([&] {
        port.SetPort(choice.Port);
        port.SetBaudRate(choice.BaudRate);
        port.SetCustomBaudRate(choice.CustomBaudRate);
        port.SetDataBits(choice.DataBits);
        port.SetStopBits(choice.StopBits);
        port.Parity().SetBits(choice.Parity);
        port.FlowControl().SetFlowControl(choice.FlowControl);
    });
}

std::string PortLabel(const TCustomComPort& port) {
    const int rate = port.BaudRate() == brCustom ? port.CustomBaudRate()
                                                 : ComText::BaudRateValue(port.BaudRate());
    return port.Port() + " (" + std::to_string(rate) + " bit/s)";
}
