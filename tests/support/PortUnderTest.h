#pragma once

// COM1 on a pseudo-terminal of the test's own, with a lock directory of its own: the fixture of
// the tests of how ports are held and why they are not listed.

#include "support/PtyPair.h"

#include "serial/UucpLock.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

struct PortUnderTest
{
    std::unique_ptr<QTemporaryDir> lockDir;
    std::unique_ptr<PtyPair> pty;
    QString lockFile; // of the pseudo-terminal

    // A new port and directory, for every test; false when the system gives none.
    bool SetUpPort()
    {
        lockDir = std::make_unique<QTemporaryDir>();
        pty = std::make_unique<PtyPair>();
        if (!lockDir->isValid() || !pty->IsOpen())
            return false;
        qputenv("QUELVANE_LOCK_DIR", QFile::encodeName(lockDir->path()));
        qputenv("QUELVANE_COM1", QFile::encodeName(pty->SlavePath()));
        lockFile = UucpLockPath(pty->SlavePath(), lockDir->path());
        return true;
    }
};
