#include "serial/PortProbe.h"

#include "serial/ComPortName.h"
#include "serial/TtyDevice.h"

bool ProbeComPort(int n)
{
    if (n < 1)
        return false;
    const TtyOpenResult opened = OpenExclusiveTty(ComPortDevice(n), TtyUse::Probe);
    if (opened.tty.fd < 0)
        return false;
    CloseExclusiveTty(opened.tty);
    return true;
}

QStringList ProbeComPorts()
{
    QStringList names;
    for (int n = FirstProbedComPort; n <= LastProbedComPort; ++n) {
        if (ProbeComPort(n))
            names << ComPortName(n);
    }
    return names;
}
