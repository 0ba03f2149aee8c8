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
