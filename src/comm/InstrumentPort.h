#pragma once

class TCustomComPort;

// The line to the total station as the program starts it every time (nothing is stored
// between runs): port "COM1", 4800 bit/s, 8 data bits, no parity, 1 stop bit, XON/XOFF both
// ways, NUL bytes dropped, reads ending after a 100 ms gap, writes limited to
// 100 ms per byte plus 1000 ms, 8 KiB queues, every event, window sync.
void ApplyInstrumentSettings(TCustomComPort& port);
