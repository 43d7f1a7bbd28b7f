#include "sim/BusPort.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

static BusError systemError(const QString& what)
{
    return BusError(QStringLiteral("%1: %2")
                        .arg(what, QString::fromLocal8Bit(std::strerror(errno)))
                        .toStdString());
}

void MakeRawLine(termios& settings)
{
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
}

static void setRawLine(int fd, const QString& path)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        throw systemError(QStringLiteral("cannot read the line settings of %1").arg(path));
    MakeRawLine(settings);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        throw systemError(QStringLiteral("cannot set the line settings of %1").arg(path));
}

static void setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
        throw systemError(QStringLiteral("cannot make the line non-blocking"));
}

BusPort::BusPort(UniqueFd fd, UniqueFd heldSlave, QString devicePath)
    : fd_(std::move(fd)), heldSlave_(std::move(heldSlave)), devicePath_(std::move(devicePath))
{}

BusPort BusPort::OpenPseudoTerminal()
{
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY));
    if (!master.IsValid())
        throw systemError(QStringLiteral("cannot open a pseudo-terminal"));
    setNonBlocking(master.Get());
    if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0)
        throw systemError(QStringLiteral("cannot unlock the pseudo-terminal"));
    char name[128] = {};
    if (::ptsname_r(master.Get(), name, sizeof name) != 0)
        throw systemError(QStringLiteral("cannot name the pseudo-terminal"));
    const QString path = QString::fromLocal8Bit(name);
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.IsValid())
        throw systemError(QStringLiteral("cannot open %1").arg(path));
    setRawLine(slave.Get(), path);
    return BusPort(std::move(master), std::move(slave), path);
}

BusPort BusPort::OpenDevice(const QString& path)
{
    const QByteArray name = path.toLocal8Bit();
    UniqueFd fd(::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsValid())
        throw systemError(QStringLiteral("cannot open %1").arg(path));
    if (!::isatty(fd.Get()))
        throw BusError(QStringLiteral("%1 is not a terminal").arg(path).toStdString());
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        throw systemError(QStringLiteral("cannot lock %1").arg(path));
    setRawLine(fd.Get(), path);
    return BusPort(std::move(fd), UniqueFd(), path);
}
