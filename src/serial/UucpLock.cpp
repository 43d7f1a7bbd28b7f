#include "serial/UucpLock.h"

#include "serial/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A lock file is a few bytes; more than this is not one.
constexpr std::size_t MaxLockFileBytes = 128;

// Anyone may put a file into the lock directory: a lock is read only when it is a regular file
// of its own, never through a link, never from a FIFO or device that would block or never end.
std::optional<pid_t> readLockPid(const QString& lockPath)
{
    const UniqueFd fd(::open(QFile::encodeName(lockPath).constData(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.IsValid())
        return std::nullopt;
    char text[MaxLockFileBytes];
    ssize_t length = -1;
    struct stat status
    {};
    if (::fstat(fd.Get(), &status) == 0 && S_ISREG(status.st_mode))
        length = ::read(fd.Get(), text, sizeof text);
    if (length <= 0)
        return std::nullopt;
    return ParseLockPid(QByteArrayView(text, length));
}

bool processIsAlive(pid_t pid)
{
    // EPERM: it exists, under another user.
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// A new file of its own: whatever stood at the name before, a link above all, is not written
// through.
bool writeLockText(const QByteArray& path, int& error)
{
    ::unlink(path.constData());
    const UniqueFd fd(
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.IsValid()) {
        error = errno;
        return false;
    }
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", int(::getpid()));
    // Readable by every program that checks the lock, whatever the umask.
    const bool written =
        ::fchmod(fd.Get(), 0644) == 0 && ::write(fd.Get(), text, std::size_t(length)) == length;
    error = written ? 0 : errno;
    return written;
}

} // namespace

QString UucpLockDirectory()
{
    const QString named = qEnvironmentVariable("QUELVANE_LOCK_DIR");
    return named.isEmpty() ? QStringLiteral("/run/lock") : named;
}

QString UucpLockPath(const QString& device, const QString& directory)
{
    const QString resolved = QFileInfo(device).canonicalFilePath();
    const QString name = QFileInfo(resolved.isEmpty() ? device : resolved).fileName();
    return QDir(directory).filePath(QStringLiteral("LCK..") + name);
}

QString UucpLockPathAsGiven(const QString& device, const QString& directory)
{
    return QDir(directory).filePath(QStringLiteral("LCK..") + QFileInfo(device).fileName());
}

std::optional<pid_t> ParseLockPid(QByteArrayView text)
{
    const qsizetype end = text.indexOf('\n');
    bool ok = false;
    const long pid = text.first(end < 0 ? text.size() : end).trimmed().toLong(&ok);
    if (!ok || pid <= 0 || pid != long(pid_t(pid)))
        return std::nullopt;
    return pid_t(pid);
}

std::optional<pid_t> LiveUucpLockHolder(const QString& lockPath)
{
    const std::optional<pid_t> pid = readLockPid(lockPath);
    if (pid && processIsAlive(*pid))
        return pid;
    return std::nullopt;
}

bool UucpLockIsLive(const QString& lockPath)
{
    return LiveUucpLockHolder(lockPath).has_value();
}

UucpLockResult TakeUucpLock(const QString& lockPath, int& error)
{
    const QByteArray path = QFile::encodeName(lockPath);
    const QByteArray aside = QFile::encodeName(
        QFileInfo(lockPath).dir().filePath(QStringLiteral("LTMP.%1").arg(::getpid())));
    // A second round only after a stale lock was removed; should it be back, someone else won.
    for (int round = 0; round < 2; ++round) {
        if (!writeLockText(aside, error)) {
            ::unlink(aside.constData());
            return UucpLockResult::NotTaken;
        }
        const bool linked = ::link(aside.constData(), path.constData()) == 0;
        const int linkError = errno;
        ::unlink(aside.constData());
        if (linked)
            return UucpLockResult::Taken;
        if (linkError != EEXIST) {
            error = linkError;
            return UucpLockResult::NotTaken;
        }
        if (UucpLockIsLive(lockPath))
            return UucpLockResult::HeldByOther;
        if (::unlink(path.constData()) != 0 && errno != ENOENT) {
            error = errno;
            return UucpLockResult::NotTaken;
        }
    }
    return UucpLockResult::HeldByOther;
}

void ReleaseUucpLock(const QString& lockPath)
{
    if (readLockPid(lockPath) == ::getpid())
        QFile::remove(lockPath);
}
