#pragma once

#include <QString>

// COM1 ... COM4 are the names the operator sees; on Linux each stands for a device node.
constexpr int FirstProbedComPort = 1;
constexpr int LastProbedComPort = 4;

// "COM" followed by the number in decimal: ComPortName(3) == "COM3".
QString ComPortName(int n);

// The device COMn opens: the environment variable QUELVANE_COMn when it is set and not empty
// (a USB adapter, the simulator's pseudo-terminal), else /dev/ttyS(n-1).
QString ComPortDevice(int n);
