#include "serial/PortProbe.h"

#include "serial/ComPortName.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// /proc/PID/comm: the name a process gives itself, at most 15 bytes and a newline; empty when
// the process is gone or /proc does not show it to us.
QString programName(pid_t pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(comm.read(64)).trimmed();
}

QString groupName(gid_t gid)
{
    std::vector<char> buffer(1024);
    group entry{};
    group* found = nullptr;
    // A group with many members needs a larger buffer; one past a megabyte is not believed.
    while (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (std::size_t(1) << 20))
        buffer.resize(buffer.size() * 2);
    return found ? QString::fromLocal8Bit(found->gr_name) : QString::number(gid);
}

// Whether a descriptor of this process is open on the device: the station's own hold, which
// fails the probe by the same conventions another program's would.
bool openInThisProcess(const QString& device)
{
    struct stat target
    {};
    if (::stat(QFile::encodeName(device).constData(), &target) != 0 || !S_ISCHR(target.st_mode))
        return false;
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : fds) {
        struct stat held
        {};
        if (::fstat(name.toInt(), &held) == 0 && S_ISCHR(held.st_mode) &&
            held.st_rdev == target.st_rdev)
            return true;
    }
    return false;
}

void examineRefusal(PortProbeResult& probe)
{
    struct stat status
    {};
    if (::stat(QFile::encodeName(probe.device).constData(), &status) != 0)
        return;
    probe.deviceGroup = groupName(status.st_gid);
    probe.deviceMode = status.st_mode;
}

void examineHolder(PortProbeResult& probe, const TtyOpenResult& opened)
{
    // The station is never the other program, whatever a lock file of its own says.
    if (openInThisProcess(probe.device) || opened.holder == ::getpid()) {
        probe.outcome = PortProbeOutcome::HeldByStation;
        return;
    }
    if (probe.outcome != PortProbeOutcome::HeldByLockFile &&
        probe.outcome != PortProbeOutcome::HeldOpen)
        return;
    probe.lockFile = opened.holderLockFile;
    probe.holderPid = opened.holder;
    probe.holderProgram = programName(opened.holder);
}

} // namespace

PortProbeResult ProbeComPort(int n)
{
    PortProbeResult probe;
    probe.port = n;
    if (n < 1) {
        probe.outcome = PortProbeOutcome::Absent;
        return probe;
    }
    probe.device = ComPortDevice(n);
    TtyOpenResult opened = OpenExclusiveTty(probe.device, TtyUse::Probe);
    if (opened.tty.fd.IsValid()) {
        CloseExclusiveTty(opened.tty);
        return probe;
    }
    probe.error = opened.error;
    probe.outcome = ProbeOutcome(opened.failedStep, opened.error);
    switch (probe.outcome) {
    case PortProbeOutcome::PermissionDenied:
        examineRefusal(probe);
        break;
    case PortProbeOutcome::HeldByLockFile:
    case PortProbeOutcome::HeldExclusively:
    case PortProbeOutcome::HeldByFlock:
    case PortProbeOutcome::HeldOpen:
        examineHolder(probe, opened);
        break;
    default:
        break;
    }
    return probe;
}

QList<PortProbeResult> ProbeComPorts()
{
    QList<PortProbeResult> probes;
    for (int n = FirstProbedComPort; n <= LastProbedComPort; ++n)
        probes << ProbeComPort(n);
    return probes;
}
