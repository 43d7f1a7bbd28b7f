#pragma once

#include "serial/PortProbeReason.h"

#include <QList>

// Stands in for the Windows GetDefaultCommConfig + CreateFile probe of the port dialog: COMn
// is listed when no live UUCP lock file names its device (ComPortDevice, as given or resolved),
// and the device opens read-write without becoming the controlling terminal, is a terminal, is
// not in exclusive mode, takes the exclusive flock and no other process it can see has it open;
// the device is closed again at once, leaving nothing behind. A port that any program holds by
// one of these conventions, this station's TMSComm included, is not listed. Closing a real
// serial port drops DTR (HUPCL) for that moment, as any open/close does. A port left out comes
// with what the operator needs to know about why.
PortProbeResult ProbeComPort(int n);

// COM1 ... COM4, ascending.
QList<PortProbeResult> ProbeComPorts();
