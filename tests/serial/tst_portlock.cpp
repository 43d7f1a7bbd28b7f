// How the port is held the way Linux serial programs hold ports: the UUCP lock file, exclusive
// mode and flock, taken by the control and honoured by the control and the port probe. Every
// test has a lock directory of its own and leaves it empty.

#include "support/OtherProgram.h"
#include "support/PortUnderTest.h"

#include "serial/CommError.h"
#include "serial/PortProbe.h"
#include "serial/TMSComm.h"
#include "serial/UucpLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The exclusive mode of a device, as another open reads it.
bool exclusiveMode(const QString& device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == EBUSY; // refused as exclusive opens are, unless privileged
    int exclusive = 0;
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
    return exclusive != 0;
}

bool flockFree(const QString& device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

} // namespace

class TestPortLock : public QObject, private PortUnderTest
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(SetUpPort()); }
    void cleanup()
    {
        pty.reset();
        QDir dir(lockDir->path());
        const QStringList left = dir.entryList(QDir::Files);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
    }

    void lockFileNamesFollowTheDevice()
    {
        qunsetenv("QUELVANE_LOCK_DIR");
        QCOMPARE(UucpLockDirectory(), QStringLiteral("/run/lock"));
        QCOMPARE(UucpLockPath("/dev/quelvane-no-such-tty", "/run/lock"),
                 QStringLiteral("/run/lock/LCK..quelvane-no-such-tty"));
        // A symbolic link names the same port as its target, and so the same lock.
        const QString link = lockDir->filePath("by-id-adapter");
        QVERIFY(QFile::link(pty->SlavePath(), link));
        QCOMPARE(UucpLockPath(link, "/run/lock"),
                 "/run/lock/LCK.." + QFileInfo(pty->SlavePath()).fileName());
        QFile::remove(link);
    }

    void lockFileTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("pid");
        QTest::newRow("HDB") << QByteArray("      4242\n") << 4242;
        QTest::newRow("bare number") << QByteArray("4242") << 4242;
        QTest::newRow("Qt's lock file") << QByteArray("4242\nminicom\nhost\n") << 4242;
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("words") << QByteArray("locked\n") << 0;
        QTest::newRow("number then words") << QByteArray("42 x\n") << 0;
        QTest::newRow("zero") << QByteArray("0\n") << 0;
        QTest::newRow("negative") << QByteArray("-42\n") << 0;
        QTest::newRow("past any PID") << QByteArray("99999999999999\n") << 0;
        QTest::newRow("binary") << QByteArray("\x92\x10\x00\x00", 4) << 0;
    }
    void lockFileTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, pid);
        QCOMPARE(ParseLockPid(text).value_or(0), pid);
    }

    void takingReleasingAndStaleLocks()
    {
        int error = 0;
        QCOMPARE(TakeUucpLock(lockFile, error), UucpLockResult::Taken);
        QCOMPARE(readFile(lockFile), OtherProgram::LockText(::getpid()));
        QCOMPARE(QFileInfo(lockFile).permissions() & QFile::ReadOther, QFile::ReadOther);
        QVERIFY(UucpLockIsLive(lockFile));
        QCOMPARE(TakeUucpLock(lockFile, error), UucpLockResult::HeldByOther);
        ReleaseUucpLock(lockFile);
        QVERIFY(!QFile::exists(lockFile));

        OtherProgram gone(false);
        QVERIFY(gone.WriteLock(lockFile));
        QVERIFY(!UucpLockIsLive(lockFile));
        QCOMPARE(TakeUucpLock(lockFile, error), UucpLockResult::Taken);
        QCOMPARE(readFile(lockFile), OtherProgram::LockText(::getpid()));
        ReleaseUucpLock(lockFile);

        OtherProgram running(true);
        QVERIFY(running.WriteLock(lockFile));
        QCOMPARE(TakeUucpLock(lockFile, error), UucpLockResult::HeldByOther);
        ReleaseUucpLock(lockFile); // not ours: stays
        QCOMPARE(readFile(lockFile), OtherProgram::LockText(running.Pid()));
        QFile::remove(lockFile);

        QCOMPARE(TakeUucpLock(lockDir->filePath("missing/LCK..ttyS0"), error),
                 UucpLockResult::NotTaken);
        QCOMPARE(error, ENOENT);
    }

    void hostileFilesInTheLockDirectoryAreNeitherFollowedNorWaitedOn()
    {
        int error = 0;
        // A FIFO in the lock's place would block a plain read for ever.
        QCOMPARE(::mkfifo(QFile::encodeName(lockFile).constData(), 0644), 0);
        QVERIFY(!UucpLockIsLive(lockFile));
        QVERIFY(ProbeComPort(1).listed());
        QCOMPARE(TakeUucpLock(lockFile, error), UucpLockResult::Taken);
        QCOMPARE(readFile(lockFile), OtherProgram::LockText(::getpid()));
        ReleaseUucpLock(lockFile);

        // A link planted where the lock is written aside: what it points to stays untouched.
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim");
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("precious") == 8);
        file.close();
        const QString aside = lockDir->filePath(QStringLiteral("LTMP.%1").arg(::getpid()));
        QVERIFY(QFile::link(victim, aside));
        QCOMPARE(TakeUucpLock(lockFile, error), UucpLockResult::Taken);
        QCOMPARE(readFile(victim), QByteArray("precious"));
        QCOMPARE(readFile(lockFile), OtherProgram::LockText(::getpid()));
        ReleaseUucpLock(lockFile);
    }

    void theControlHoldsAllThreeConventionsWhileOpen()
    {
        TMSComm comm;
        comm.SetPortOpen(true);
        QCOMPARE(readFile(lockFile), OtherProgram::LockText(::getpid()));
        QVERIFY(exclusiveMode(pty->SlavePath()));
        QVERIFY(!flockFree(pty->SlavePath()));
        QVERIFY(!ProbeComPort(1).listed());

        comm.SetPortOpen(false);
        QVERIFY(!QFile::exists(lockFile));
        QVERIFY(!exclusiveMode(pty->SlavePath()));
        QVERIFY(flockFree(pty->SlavePath()));
        QVERIFY(ProbeComPort(1).listed());
        comm.SetPortOpen(true); // and again
        QVERIFY(comm.PortOpen());
    }

    void aPortHeldByAnyConventionIsNeitherListedNorOpened_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::newRow("lock file of a live process") << "lock file";
        QTest::newRow("exclusive mode") << "exclusive";
        QTest::newRow("flock") << "flock";
        QTest::newRow("a second control") << "control";
        // minicom given a by-id link locks the link's own name.
        QTest::newRow("lock file under the link's name") << "link lock";
        QTest::newRow("another program's plain open") << "open";
    }
    void aPortHeldByAnyConventionIsNeitherListedNorOpened()
    {
        QFETCH(QString, holder);
        OtherProgram running(true);
        std::optional<OtherProgram> opener;
        if (holder == "open") {
            opener.emplace(true, [&] {
                ::close(pty->MasterFd()); // else it is the line's far end
                ::open(QFile::encodeName(pty->SlavePath()).constData(), O_RDWR | O_NOCTTY);
            });
        }
        QTemporaryDir byId;
        const QString link = byId.filePath("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        const QString linkLock = lockDir->filePath("LCK.." + QFileInfo(link).fileName());
        if (holder == "link lock") {
            QVERIFY(QFile::link(pty->SlavePath(), link));
            qputenv("QUELVANE_COM1", QFile::encodeName(link));
            QVERIFY(running.WriteLock(linkLock));
        }
        TMSComm first;
        const int other =
            ::open(QFile::encodeName(pty->SlavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(other >= 0);
        if (holder == "lock file")
            QVERIFY(running.WriteLock(lockFile));
        else if (holder == "exclusive")
            QCOMPARE(::ioctl(other, TIOCEXCL), 0);
        else if (holder == "flock")
            QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        else if (holder == "control")
            first.SetPortOpen(true);

        QVERIFY(!ProbeComPort(1).listed());
        TMSComm second;
        try {
            second.SetPortOpen(true);
            QFAIL("opened a port another holds");
        } catch (const CommError& error) {
            QVERIFY2(error.Message().contains("port in use by another program"),
                     qPrintable(error.Message()));
        }
        QVERIFY(!second.PortOpen());
        // The holder keeps what it holds.
        if (holder == "lock file")
            QCOMPARE(readFile(lockFile), OtherProgram::LockText(running.Pid()));
        else if (holder == "exclusive")
            QVERIFY(exclusiveMode(pty->SlavePath()));
        else if (holder == "control")
            QCOMPARE(readFile(lockFile), OtherProgram::LockText(::getpid()));

        ::ioctl(other, TIOCNXCL);
        ::close(other);
        first.SetPortOpen(false);
        QFile::remove(lockFile);
        QFile::remove(linkLock);
        opener.reset();
        QVERIFY(ProbeComPort(1).listed());
    }

    void withoutALockDirectoryThePortStillOpensHeldTheOtherWays()
    {
        qputenv("QUELVANE_LOCK_DIR", QFile::encodeName(lockDir->filePath("missing")));
        TMSComm comm;
        comm.SetPortOpen(true);
        QVERIFY(exclusiveMode(pty->SlavePath()));
        QVERIFY(!ProbeComPort(1).listed());
    }
};

QTEST_GUILESS_MAIN(TestPortLock)
#include "tst_portlock.moc"
