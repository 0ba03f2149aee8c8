#pragma once

#include "comm/ComTypes.h"

#include <cstdint>
#include <string>

class TCustomComPort;

// The line to the total station as the program first starts it: port "COM1", 4800 bit/s,
// 8 data bits, no parity, 1 stop bit, XON/XOFF both ways, NUL bytes dropped, reads ending
// after a 100 ms gap, writes limited to 100 ms per byte plus 1000 ms, 8 KiB queues, every
// event, window sync. The user's own choice of line settings (TPortChoice) is applied over it.
void ApplyInstrumentSettings(TCustomComPort& port);

// What the user chooses for the line: the six settings lists, and the bit rate that
// "Custom" stands for.
struct TPortChoice {
    std::string Port = "COM1";
    TBaudRate BaudRate = br4800;
    std::int32_t CustomBaudRate = 9600;
    TDataBits DataBits = dbEight;
    TStopBits StopBits = sbOneStopBit;
    TParityBits Parity = prNone;
    TFlowControl FlowControl = fcSoftware;

    bool operator==(const TPortChoice&) const = default;
};

TPortChoice ReadPortChoice(const TCustomComPort& port);
// Writes the choice into the port in one update (an open port takes it at once).
void ApplyPortChoice(TCustomComPort& port, const TPortChoice& choice);

// The port as messages name it: "COM1 (4800 bit/s)".
std::string PortLabel(const TCustomComPort& port);
