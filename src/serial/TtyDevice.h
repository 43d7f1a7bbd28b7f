#pragma once

#include "serial/UniqueFd.h"

#include <QString>

#include <sys/types.h>

// Opening a serial device the way both the control and the port probe need it, honouring the
// three conventions by which Linux programs hold a serial port:
// - a UUCP lock file naming a live process (UucpLock.h), checked before the device is even
//   opened, since opening a real port already raises its modem lines; under the device's own
//   name and, for a link such as /dev/serial/by-id/..., under the link's name as well, where
//   programs that do not resolve links put theirs;
// - exclusive mode (TIOCEXCL): other opens fail with EBUSY, except a privileged one, so the
//   mode is also read back (TIOCGEXCL) after opening;
// - an exclusive flock on the open file description, so a second open of a port the control
//   holds fails here even in this process.
// Then: read-write, non-blocking, never as the controlling terminal, only if it is a terminal,
// and only if no other process that this one can see has it open (DeviceHolders.h).

enum class TtyOpenStep
{
    LockFile,      // a live process holds the UUCP lock
    Open,          // open(2) failed: missing device, permission, exclusive mode (EBUSY)
    IsTty,         // not a terminal
    Exclusive,     // another open holds the device in exclusive mode
    Lock,          // flock(LOCK_EX | LOCK_NB) failed: held by another open or program
    OpenElsewhere, // another process has it open, by no convention
};

enum class TtyUse
{
    Probe, // only whether it could be held: nothing is taken, nothing left behind
    Hold,  // takes all three conventions until CloseExclusiveTty
};

struct HeldTty
{
    UniqueFd fd;
    QString lockFile;       // the UUCP lock this open wrote; empty when it wrote none
    bool exclusive = false; // TIOCEXCL set by this open
};

struct TtyOpenResult
{
    HeldTty tty;   // tty.fd valid on success
    int error = 0; // errno of the failing step
    TtyOpenStep failedStep = TtyOpenStep::Open;
    // The other process that stopped a probe (LockFile) or an open (OpenElsewhere), and for
    // LockFile the lock that names it.
    pid_t holder = 0;
    QString holderLockFile;
};

TtyOpenResult OpenExclusiveTty(const QString& device, TtyUse use);

// Gives back what the open took and closes, leaving tty empty; errors are of no use here and
// are ignored.
void CloseExclusiveTty(HeldTty& tty);
