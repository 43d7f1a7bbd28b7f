#include "serial/TtyDevice.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TtyOpenResult OpenExclusiveTty(const QString& device)
{
    TtyOpenResult result;
    const QByteArray path = QFile::encodeName(device);
    int fd = -1;
    do {
        fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result.error = errno;
        result.failedStep = TtyOpenStep::Open;
        return result;
    }
    if (!::isatty(fd)) {
        result.error = errno;
        result.failedStep = TtyOpenStep::IsTty;
        ::close(fd);
        return result;
    }
    int locked = -1;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked < 0 && errno == EINTR);
    if (locked < 0) {
        result.error = errno;
        result.failedStep = TtyOpenStep::Lock;
        ::close(fd);
        return result;
    }
    result.fd = fd;
    return result;
}

void CloseExclusiveTty(int fd)
{
    if (fd < 0)
        return;
    ::flock(fd, LOCK_UN);
    ::close(fd);
}
