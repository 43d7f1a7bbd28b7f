#pragma once

#include "serial/TtyDevice.h"

#include <QLoggingCategory>
#include <QString>

#include <sys/types.h>

// Why the port dialog leaves a port out. The dialog itself shows only the ports that open;
// an operator who starts the station from a terminal learns the reasons there, as warnings of
// the category "quelvane.ports" (on unless Qt's logging rules turn them off).
Q_DECLARE_LOGGING_CATEGORY(lcPortProbe)

enum class PortProbeOutcome
{
    Listed,
    Absent,           // no device of that name
    PermissionDenied, // the user may not open it: not in the device's group, as a rule
    NotATerminal,
    HeldByStation,   // this station has it open
    HeldByLockFile,  // a live process named by a UUCP lock file
    HeldExclusively, // another program holds it in exclusive mode
    HeldByFlock,     // another program holds an flock on it
    HeldOpen,        // another program has it open, by none of these conventions
    Failed,          // any other error of the system
};

struct PortProbeResult
{
    int port = 0;
    QString device;
    PortProbeOutcome outcome = PortProbeOutcome::Listed;
    int error = 0; // errno of the failing step

    // HeldByLockFile, HeldOpen: the process and its name, when readable; for HeldByLockFile
    // the lock that names it.
    QString lockFile;
    pid_t holderPid = 0;
    QString holderProgram;

    // PermissionDenied: the device's group and permission bits, when it could be examined.
    QString deviceGroup;
    unsigned deviceMode = 0;

    bool listed() const { return outcome == PortProbeOutcome::Listed; }
};

// What a failed open of the device means to the operator. Errors that hold the port in use
// may also be this station's own: the probe tells those apart itself.
PortProbeOutcome ProbeOutcome(TtyOpenStep step, int error);

// The line the station writes when the port is left out: "COM3 (/dev/ttyS2) is not listed: "
// and the reason. Empty for a listed port and for an absent one, which every machine without
// that port has. Control characters, which another program's name may carry to the terminal,
// are shown as '?'.
QString UnlistedPortMessage(const PortProbeResult& probe);
