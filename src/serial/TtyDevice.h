#pragma once

#include <QString>

// Opening a serial device the way both the control and the port probe need it: read-write,
// non-blocking, never as the controlling terminal, only if it is a terminal, and only with an
// exclusive flock on the open file description. flock locks belong to the open file
// description, so a second open of a port the control holds fails here even in this process.

enum class TtyOpenStep
{
    Open,  // open(2) failed: missing device, permission
    IsTty, // not a terminal
    Lock,  // flock(LOCK_EX | LOCK_NB) failed: held by another open or program
};

struct TtyOpenResult
{
    int fd = -1;   // >= 0 on success
    int error = 0; // errno of the failing step
    TtyOpenStep failedStep = TtyOpenStep::Open;
};

TtyOpenResult OpenExclusiveTty(const QString& device);

// Releases the lock and closes; errors are of no use here and are ignored.
void CloseExclusiveTty(int fd);
