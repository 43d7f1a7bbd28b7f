#include "serial/PortProbeReason.h"

#include "serial/ComPortName.h"
#include "serial/CommError.h"

#include <cerrno>
#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcPortProbe, "quelvane.ports", QtWarningMsg)

namespace {

QString modeText(unsigned mode)
{
    return QString::number(mode & 07777, 8).rightJustified(4, u'0');
}

QString permissionReason(const PortProbeResult& probe)
{
    if (probe.deviceGroup.isEmpty())
        return QStringLiteral("permission denied");
    const unsigned groupReadWrite = S_IRGRP | S_IWGRP;
    if ((probe.deviceMode & groupReadWrite) != groupReadWrite)
        return QStringLiteral("permission denied (mode %1, group \"%2\")")
            .arg(modeText(probe.deviceMode), probe.deviceGroup);
    return QStringLiteral("permission denied; the device is for the group \"%1\" (mode %2): "
                          "sudo usermod -aG %1 $USER, then log in again")
        .arg(probe.deviceGroup, modeText(probe.deviceMode));
}

QString holder(const PortProbeResult& probe)
{
    return probe.holderProgram.isEmpty()
               ? QStringLiteral("PID %1").arg(probe.holderPid)
               : QStringLiteral("%1 (PID %2)").arg(probe.holderProgram).arg(probe.holderPid);
}

QString reason(const PortProbeResult& probe)
{
    switch (probe.outcome) {
    case PortProbeOutcome::Listed:
    case PortProbeOutcome::Absent:
        break;
    case PortProbeOutcome::PermissionDenied:
        return permissionReason(probe);
    case PortProbeOutcome::NotATerminal:
        return QStringLiteral("not a terminal, so not a serial port");
    case PortProbeOutcome::HeldByStation:
        return QStringLiteral("this station has it open");
    case PortProbeOutcome::HeldByLockFile:
        return QStringLiteral("in use by another program: %1, named by the lock file %2")
            .arg(holder(probe), probe.lockFile);
    case PortProbeOutcome::HeldExclusively:
        return QStringLiteral("in use by another program, which holds it in exclusive mode");
    case PortProbeOutcome::HeldByFlock:
        return QStringLiteral("in use by another program, which holds a lock on it (flock)");
    case PortProbeOutcome::HeldOpen:
        return QStringLiteral("in use by another program: %1, which has it open")
            .arg(holder(probe));
    case PortProbeOutcome::Failed:
        return QStringLiteral("cannot be opened: ") + SystemErrorText(probe.error);
    }
    return QString();
}

} // namespace

PortProbeOutcome ProbeOutcome(TtyOpenStep step, int error)
{
    switch (step) {
    case TtyOpenStep::LockFile:
        return PortProbeOutcome::HeldByLockFile;
    case TtyOpenStep::Open:
        if (error == ENOENT)
            return PortProbeOutcome::Absent;
        if (error == EACCES || error == EPERM)
            return PortProbeOutcome::PermissionDenied;
        // Refused as an open of a device in exclusive mode is, unless privileged.
        if (error == EBUSY)
            return PortProbeOutcome::HeldExclusively;
        return PortProbeOutcome::Failed;
    case TtyOpenStep::IsTty:
        return PortProbeOutcome::NotATerminal;
    case TtyOpenStep::Exclusive:
        return PortProbeOutcome::HeldExclusively;
    case TtyOpenStep::Lock:
        return error == EWOULDBLOCK ? PortProbeOutcome::HeldByFlock : PortProbeOutcome::Failed;
    case TtyOpenStep::OpenElsewhere:
        return PortProbeOutcome::HeldOpen;
    }
    return PortProbeOutcome::Failed;
}

QString UnlistedPortMessage(const PortProbeResult& probe)
{
    const QString why = reason(probe);
    if (why.isEmpty())
        return QString();
    QString message =
        QStringLiteral("%1 (%2) is not listed: %3").arg(ComPortName(probe.port), probe.device, why);
    for (QChar& c : message) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return message;
}
