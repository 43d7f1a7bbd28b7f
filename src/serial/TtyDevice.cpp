#include "serial/TtyDevice.h"

#include "serial/CommError.h"
#include "serial/LineTrace.h"
#include "serial/UucpLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

TtyOpenResult failed(TtyOpenStep step, int error, const HeldTty& taken)
{
    CloseExclusiveTty(taken);
    TtyOpenResult result;
    result.error = error;
    result.failedStep = step;
    return result;
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
    const QString lockPath = UucpLockPath(device, UucpLockDirectory());
    if (use == TtyUse::Probe) {
        if (const std::optional<pid_t> holder = LiveUucpLockHolder(lockPath)) {
            TtyOpenResult held = failed(TtyOpenStep::LockFile, EBUSY, taken);
            held.lockHolder = *holder;
            return held;
        }
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
    do {
        taken.fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (taken.fd < 0 && errno == EINTR);
    if (taken.fd < 0)
        return failed(TtyOpenStep::Open, errno, taken);
    if (!::isatty(taken.fd))
        return failed(TtyOpenStep::IsTty, errno, taken);
    if (inExclusiveMode(taken.fd))
        return failed(TtyOpenStep::Exclusive, EBUSY, taken);
    int locked = -1;
    do {
        locked = ::flock(taken.fd, LOCK_EX | LOCK_NB);
    } while (locked < 0 && errno == EINTR);
    if (locked < 0)
        return failed(TtyOpenStep::Lock, errno, taken);
    if (use == TtyUse::Hold)
        taken.exclusive = ::ioctl(taken.fd, TIOCEXCL) == 0;

    TtyOpenResult result;
    result.tty = taken;
    return result;
}

void CloseExclusiveTty(const HeldTty& tty)
{
    if (tty.fd >= 0) {
        // The mode belongs to the device, not to this open: a pseudo-terminal whose other side
        // stays open would keep it after this close.
        if (tty.exclusive)
            ::ioctl(tty.fd, TIOCNXCL);
        ::flock(tty.fd, LOCK_UN);
        ::close(tty.fd);
    }
    if (!tty.lockFile.isEmpty())
        ReleaseUucpLock(tty.lockFile);
}
