// Why the probe leaves a port out, and the line the station writes about it: real devices
// held or refused the ways they are on a Linux machine, and the texts no test machine makes.

#include "support/OtherProgram.h"
#include "support/PortUnderTest.h"

#include "serial/PortProbe.h"
#include "serial/TMSComm.h"

#include <QFile>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The probe's line for COMn as a user who neither owns the device nor is in its group sees
// it. Root is not refused by permissions, so the child process that probes gives up root's
// privileges for nobody's first; a test user who is not root is refused by the owner bits.
QString probedUnprivileged(int n)
{
    const passwd* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 65534;
    const gid_t gid = nobody ? nobody->pw_gid : 65534;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return QString();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(1);
        const QByteArray text = UnlistedPortMessage(ProbeComPort(n)).toUtf8();
        ::_exit(::write(out[1], text.constData(), text.size()) == text.size() ? 0 : 1);
    }
    ::close(out[1]);
    QFile read;
    QByteArray text;
    if (read.open(out[0], QIODevice::ReadOnly))
        text = read.readAll();
    read.close();
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(text) : QString();
}

PortProbeResult refused(PortProbeOutcome outcome)
{
    PortProbeResult probe;
    probe.port = 2;
    probe.device = QStringLiteral("/dev/ttyUSB0");
    probe.outcome = outcome;
    return probe;
}

} // namespace

class TestPortReasons : public QObject, private PortUnderTest
{
    Q_OBJECT

    QString com1() const
    {
        return QStringLiteral("COM1 (%1) is not listed: ").arg(pty->SlavePath());
    }

private slots:
    void init() { QVERIFY(SetUpPort()); }
    void cleanup() { QFile::remove(lockFile); }

    void devicesThatAreNoFreeSerialPort()
    {
        qputenv("QUELVANE_COM2", "/nonexistent/quelvane-tty");
        QCOMPARE(ProbeComPort(2).outcome, PortProbeOutcome::Absent);
        QCOMPARE(UnlistedPortMessage(ProbeComPort(2)), QString()); // every machine has these
        qputenv("QUELVANE_COM3", "/dev/null");
        QCOMPARE(UnlistedPortMessage(ProbeComPort(3)),
                 "COM3 (/dev/null) is not listed: not a terminal, so not a serial port");
        qputenv("QUELVANE_COM4", QFile::encodeName(lockDir->path()));
        QCOMPARE(UnlistedPortMessage(ProbeComPort(4)),
                 QStringLiteral("COM4 (%1) is not listed: cannot be opened: %2")
                     .arg(lockDir->path(), SystemErrorText(EISDIR)));
    }

    void permissionDeniedNamesTheDevicesGroup()
    {
        struct stat status
        {};
        QCOMPARE(::stat(QFile::encodeName(pty->SlavePath()).constData(), &status), 0);
        const group* owners = ::getgrgid(status.st_gid);
        QVERIFY(owners != nullptr);
        // Read and write for the group only.
        QCOMPARE(::chmod(QFile::encodeName(pty->SlavePath()).constData(), 0060), 0);
        QCOMPARE(probedUnprivileged(1),
                 com1() + QStringLiteral("permission denied; the device is for the group \"%1\" "
                                         "(mode 0060): sudo usermod -aG %1 $USER, then log in "
                                         "again")
                              .arg(QString::fromLocal8Bit(owners->gr_name)));
    }

    void heldByAnotherProgram_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("holds");
        QTest::addColumn<QString>("reason");
        QTest::newRow("lock file") << QByteArray("minicom") << "lock file"
                                   << "in use by another program: minicom (PID %1), named by "
                                      "the lock file %2";
        // A name made for the terminal to obey rather than to show.
        QTest::newRow("lock file, name with control characters")
            << QByteArray("\x1b[2J\x1b]2;x\x07") << "lock file"
            << "in use by another program: ?[2J?]2;x? (PID %1), named by the lock file %2";
        QTest::newRow("exclusive mode")
            << QByteArray() << "exclusive"
            << "in use by another program, which holds it in exclusive mode";
        QTest::newRow("flock") << QByteArray() << "flock"
                               << "in use by another program, which holds a lock on it (flock)";
        QTest::newRow("plain open") << QByteArray("cat") << "open"
                                    << "in use by another program: cat (PID %1), which has it open";
        // A simulated line keeps its slave open beside the master: that is no other program.
        QTest::newRow("far end of the line") << QByteArray() << "far end" << QString();
    }
    void heldByAnotherProgram()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, holds);
        QFETCH(QString, reason);
        const QByteArray device = QFile::encodeName(pty->SlavePath());
        OtherProgram other(true, [&] {
            if (!name.isEmpty())
                ::prctl(PR_SET_NAME, name.constData());
            if (holds == "open")
                ::close(pty->MasterFd()); // the copy fork gave it
            const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (holds == "exclusive")
                ::ioctl(fd, TIOCEXCL);
            else if (holds == "flock")
                ::flock(fd, LOCK_EX | LOCK_NB);
        });
        if (holds == "lock file") {
            QVERIFY(other.WriteLock(lockFile));
            reason = reason.arg(other.Pid()).arg(lockFile);
        } else if (holds == "open") {
            reason = reason.arg(other.Pid());
        }
        QCOMPARE(UnlistedPortMessage(ProbeComPort(1)), reason.isEmpty() ? reason : com1() + reason);
    }

    void theStationsOwnPortWithOrWithoutItsLockFile()
    {
        TMSComm comm;
        comm.SetCommPort(1);
        comm.SetPortOpen(true);
        QCOMPARE(UnlistedPortMessage(ProbeComPort(1)), com1() + "this station has it open");
        comm.SetPortOpen(false);
        qputenv("QUELVANE_LOCK_DIR", QFile::encodeName(lockDir->filePath("missing")));
        comm.SetPortOpen(true);
        QCOMPARE(UnlistedPortMessage(ProbeComPort(1)), com1() + "this station has it open");
    }

    void textsOfRefusalsNoTestMachineMakes()
    {
        // Root opens a device in exclusive mode; others are refused at the open.
        QCOMPARE(ProbeOutcome(TtyOpenStep::Open, EBUSY), PortProbeOutcome::HeldExclusively);
        const QString com2 = QStringLiteral("COM2 (/dev/ttyUSB0) is not listed: ");
        PortProbeResult denied = refused(PortProbeOutcome::PermissionDenied);
        QCOMPARE(UnlistedPortMessage(denied), com2 + "permission denied"); // gone since
        denied.deviceGroup = QStringLiteral("root");
        denied.deviceMode = S_IFCHR | 0620;
        QCOMPARE(UnlistedPortMessage(denied),
                 com2 + "permission denied (mode 0620, group \"root\")");
        PortProbeResult hidden = refused(PortProbeOutcome::HeldByLockFile);
        hidden.lockFile = QStringLiteral("/run/lock/LCK..ttyUSB0");
        hidden.holderPid = 4242;
        QCOMPARE(UnlistedPortMessage(hidden),
                 com2 + "in use by another program: PID 4242, named by the lock file "
                        "/run/lock/LCK..ttyUSB0");
    }
};

QTEST_GUILESS_MAIN(TestPortReasons)
#include "tst_portreasons.moc"
