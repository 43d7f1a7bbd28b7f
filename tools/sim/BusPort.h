#pragma once

#include "serial/UniqueFd.h"

#include <QString>

#include <stdexcept>
#include <termios.h>

class BusError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, and no translation or echo
// of any byte: an echo would feed the boards' own replies back to them.
void makeRawLine(termios& settings);

// The boards' end of the line: the master of a pseudo-terminal pair, or a real serial device.
class BusPort
{
public:
    // The slave stays open here as well, so the station may close and reopen its side as often
    // as it likes: the master never sees the hang-up the last close of a slave causes.
    static BusPort openPseudoTerminal();
    // Takes an exclusive lock, as the station does, so both cannot grab the same device.
    static BusPort openDevice(const QString& path);

    // Non-blocking, read and written by the bus.
    int fd() const { return m_fd.Get(); }
    // What the station opens.
    const QString& devicePath() const { return m_devicePath; }

private:
    BusPort(UniqueFd fd, UniqueFd heldSlave, QString devicePath);

    UniqueFd m_fd;
    UniqueFd m_heldSlave;
    QString m_devicePath;
};
