#pragma once

// Bind mounts only this test process sees, for a device name that stays fixed while the device
// behind it changes, as /dev/ttyUSB0 does when an adapter is pulled out and plugged in again.
// The process must enter its own mount namespace before any thread starts, hence the call
// from a static initializer. False where the system does not allow it (not root, or
// namespaces forbidden): the tests that need it skip.

#include <QFile>
#include <QString>

#include <sched.h>
#include <sys/mount.h>

inline bool EnterPrivateMountNamespace()
{
    // Private all the way down, so nothing mounted here shows on the machine.
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// The device appears at name (an existing file), as a new adapter appears under its name.
inline bool BindDevice(const QString& device, const QString& name)
{
    return ::mount(QFile::encodeName(device).constData(), QFile::encodeName(name).constData(),
                   nullptr, MS_BIND, nullptr) == 0;
}

// The device vanishes from name, whoever still holds it.
inline void UnbindDevice(const QString& name)
{
    ::umount2(QFile::encodeName(name).constData(), MNT_DETACH);
}
