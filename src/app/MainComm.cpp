#include "app/Main.h"

#include "comm/ComPort.h"

#include <QToolButton>

void TMainForm::WireCommCommands() {
    CreateComPort();
    ConnectCommand(btnComPortSetting, &TMainForm::btnComPortSettingClick);
}

// Settings are not stored between runs: every start begins with these values.
void TMainForm::CreateComPort() {
    ComPort = new TComPort(this);
    ComPort->setObjectName("ComPort");
    ComPort->SetPort("COM1");
    ComPort->SetBaudRate(br4800);
    ComPort->SetDataBits(dbEight);
    ComPort->SetStopBits(sbOneStopBit);
    ComPort->Parity().SetBits(prNone);
    ComPort->FlowControl().SetXonXoffOut(true);
    ComPort->FlowControl().SetXonXoffIn(true);
    ComPort->SetDiscardNull(true);
    ComPort->Timeouts().SetReadInterval(100);
    ComPort->Timeouts().SetReadTotalMultiplier(0);
    ComPort->Timeouts().SetReadTotalConstant(0);
    ComPort->Timeouts().SetWriteTotalMultiplier(100);
    ComPort->Timeouts().SetWriteTotalConstant(1000);
    ComPort->Buffer().SetInputSize(8192);
    ComPort->Buffer().SetOutputSize(8192);
    ComPort->SetEvents(kAllComEvents);
    ComPort->SetSyncMethod(smWindowSync);
}

void TMainForm::btnComPortSettingClick() { ComPort->ExecuteSetupDialog(); }
