#pragma once

#include <string>
#include <vector>

// The device path of a port name: a path is used as it is, "COMn" means /dev/ttyS<n-1>
// (so the fixed start value "COM1" is the first serial port), any other name is under /dev.
std::string DevicePath(const std::string& port);

// The serial ports the system knows, sorted ignoring letter case: /dev/<name> for each
// terminal under /sys/class/tty with a real device behind it (for UART ports: a UART that
// answered), and the stable /dev/serial/by-id names. Failure to read the list raises EComPort PortList.
std::vector<std::string> EnumSerialPorts();

// Where EnumSerialPorts looks (tests point it at a tree of their own). Empty = the system's.
void SetSerialPortRoots(const std::string& sysClassTty, const std::string& devRoot);
