#include "serial/TtyDevice.h"

#include "serial/CommError.h"
#include "serial/DeviceHolders.h"
#include "serial/LineTrace.h"
#include "serial/RetryOnInterrupt.h"
#include "serial/UucpLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TtyOpenResult failed(TtyOpenStep step, int error, HeldTty& taken)
{
    CloseExclusiveTty(taken);
    TtyOpenResult result;
    result.error = error;
    result.failedStep = step;
    return result;
}

TtyOpenResult heldBy(TtyOpenStep step, pid_t holder, const QString& lockFile, HeldTty& taken)
{
    TtyOpenResult held = failed(step, EBUSY, taken);
    held.holder = holder;
    held.holderLockFile = lockFile;
    return held;
}

std::optional<pid_t> otherProcessWithItOpen(int fd)
{
    struct stat status
    {};
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return OtherProcessWithDeviceOpen(status.st_rdev);
}

bool inExclusiveMode(int fd)
{
    int exclusive = 0;
    return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

} // namespace

TtyOpenResult OpenExclusiveTty(const QString& device, TtyUse use)
{
    HeldTty taken;
    const QString directory = UucpLockDirectory();
    const QString lockPath = UucpLockPath(device, directory);
    const QString givenLockPath = UucpLockPathAsGiven(device, directory);
    if (givenLockPath != lockPath) {
        if (const std::optional<pid_t> holder = LiveUucpLockHolder(givenLockPath))
            return heldBy(TtyOpenStep::LockFile, *holder, givenLockPath, taken);
    }
    if (use == TtyUse::Probe) {
        if (const std::optional<pid_t> holder = LiveUucpLockHolder(lockPath))
            return heldBy(TtyOpenStep::LockFile, *holder, lockPath, taken);
    } else {
        int error = 0;
        switch (TakeUucpLock(lockPath, error)) {
        case UucpLockResult::Taken:
            taken.lockFile = lockPath;
            break;
        case UucpLockResult::HeldByOther:
            return failed(TtyOpenStep::LockFile, EBUSY, taken);
        case UucpLockResult::NotTaken:
            // No lock directory to write to is no reason to refuse the port: exclusive mode
            // and flock still hold it.
            TraceLine([&] {
                return QStringLiteral("%1: no lock file %2: %3")
                    .arg(device, lockPath, SystemErrorText(error));
            });
            break;
        }
    }

    const QByteArray path = QFile::encodeName(device);
    taken.fd.Reset(RetryOnInterrupt(
        [&] { return ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC); }));
    if (!taken.fd.IsValid())
        return failed(TtyOpenStep::Open, errno, taken);
    const int fd = taken.fd.Get();
    if (!::isatty(fd))
        return failed(TtyOpenStep::IsTty, errno, taken);
    if (inExclusiveMode(fd))
        return failed(TtyOpenStep::Exclusive, EBUSY, taken);
    if (RetryOnInterrupt([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) < 0)
        return failed(TtyOpenStep::Lock, errno, taken);
    if (const std::optional<pid_t> holder = otherProcessWithItOpen(fd))
        return heldBy(TtyOpenStep::OpenElsewhere, *holder, QString(), taken);
    if (use == TtyUse::Hold)
        taken.exclusive = ::ioctl(fd, TIOCEXCL) == 0;

    TtyOpenResult result;
    result.tty = std::move(taken);
    return result;
}

void CloseExclusiveTty(HeldTty& tty)
{
    if (tty.fd.IsValid()) {
        // The mode belongs to the device, not to this open: a pseudo-terminal whose other side
        // stays open would keep it after this close.
        if (tty.exclusive)
            ::ioctl(tty.fd.Get(), TIOCNXCL);
        ::flock(tty.fd.Get(), LOCK_UN);
        tty.fd.Reset();
    }
    if (!tty.lockFile.isEmpty())
        ReleaseUucpLock(tty.lockFile);
    tty = HeldTty();
}
