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
void MakeRawLine(termios& settings);

// The boards' end of the line: the master of a pseudo-terminal pair, or a real serial device.
class BusPort
{
public:
    // The slave stays open here as well, so the station may close and reopen its side as often
    // as it likes: the master never sees the hang-up the last close of a slave causes.
    static BusPort OpenPseudoTerminal();
    // Takes an exclusive lock, as the station does, so both cannot grab the same device.
    static BusPort OpenDevice(const QString& path);

    // Non-blocking, read and written by the bus.
    int Fd() const { return fd_.Get(); }
    // What the station opens.
    const QString& DevicePath() const { return devicePath_; }

private:
    BusPort(UniqueFd fd, UniqueFd heldSlave, QString devicePath);

    UniqueFd fd_;
    UniqueFd heldSlave_;
    QString devicePath_;
};
