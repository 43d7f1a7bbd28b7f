#pragma once

#include <QStringList>

// Stands in for the Windows GetDefaultCommConfig + CreateFile probe of the port dialog: COMn
// passes when its device (ComPortDevice) opens read-write without becoming the controlling
// terminal, is a terminal, and takes the exclusive flock; the device is closed again at once.
// A port that any program holds, this station's TMSComm included, fails the lock and so is not
// listed. Closing a real serial port drops DTR (HUPCL) for that moment, as any open/close does.
bool ProbeComPort(int n);

// "COM1" ... "COM4", ascending, those that pass ProbeComPort now.
QStringList ProbeComPorts();
