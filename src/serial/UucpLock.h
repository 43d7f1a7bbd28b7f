#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <sys/types.h>

// The lock-file convention of Linux serial programs (minicom, picocom, Qt's serial port
// module): a file "LCK..<device name>" in the lock directory names the process that has the
// port, as its PID in the HDB form "%10d\n". A lock whose process is gone is stale; anyone may
// remove it.

// The lock directory: QUELVANE_LOCK_DIR when set and not empty, else /run/lock.
QString UucpLockDirectory();

// "LCK.." and the device's own name, after following symbolic links: a name under
// /dev/serial/by-id stands for the same port as /dev/ttyUSB0, and so must its lock.
QString UucpLockPath(const QString& device, const QString& directory);

// "LCK.." and the last part of the name as given, links not followed: where minicom and
// other programs that take the name as it stands lock /dev/serial/by-id/... names.
QString UucpLockPathAsGiven(const QString& device, const QString& directory);

// The PID a lock file's text names: its first line, a decimal number with blanks around it
// (HDB's "%10d\n", and the "pid\nprogram\nhost\n" of Qt's lock files). Nothing when that line
// names no positive PID.
std::optional<pid_t> ParseLockPid(QByteArrayView text);

// The live process the file names; nothing when the file is missing or stale: naming a dead
// process, or none. A binary lock (a raw int, as very old UUCP wrote) reads as stale.
std::optional<pid_t> LiveUucpLockHolder(const QString& lockPath);

// Whether the file exists and names a live process.
bool UucpLockIsLive(const QString& lockPath);

enum class UucpLockResult
{
    Taken,       // the file now names this process
    HeldByOther, // a live process holds it
    NotTaken,    // the directory takes no file here (missing, read-only, not ours to write)
};

// Takes the lock for this process, removing a stale one first. The file appears whole (it is
// written aside and linked into place), so no other program can read it half-written. error
// receives the errno behind NotTaken.
UucpLockResult TakeUucpLock(const QString& lockPath, int& error);

// Removes the lock if it names this process.
void ReleaseUucpLock(const QString& lockPath);
