// COM-name mapping and the port dialog's probe, against real pseudo-terminals.

#include "support/PtyPair.h"

#include "serial/ComPortName.h"
#include "serial/PortProbe.h"
#include "serial/TMSComm.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QStringList listedNames()
{
    QStringList names;
    for (const PortProbeResult& probe : ProbeComPorts()) {
        if (probe.listed())
            names << ComPortName(probe.port);
    }
    return names;
}

} // namespace

class TestPortProbe : public QObject
{
    Q_OBJECT

    static void clearEnvironment()
    {
        for (int n = 1; n <= 4; ++n)
            qunsetenv(QByteArray("QUELVANE_COM" + QByteArray::number(n)).constData());
    }

private slots:
    void init() { clearEnvironment(); }
    void cleanup() { clearEnvironment(); }

    void comPortName_isComAndTheNumber()
    {
        QCOMPARE(ComPortName(1), QStringLiteral("COM1"));
        QCOMPARE(ComPortName(4), QStringLiteral("COM4"));
    }

    void comPortDevice_defaultsToTtyS()
    {
        QCOMPARE(ComPortDevice(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(ComPortDevice(3), QStringLiteral("/dev/ttyS2"));
    }

    void comPortDevice_followsTheEnvironment()
    {
        qputenv("QUELVANE_COM3", "/dev/ttyUSB0");
        QCOMPARE(ComPortDevice(3), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(ComPortDevice(2), QStringLiteral("/dev/ttyS1")); // only COM3 is renamed
        qputenv("QUELVANE_COM3", "");
        QCOMPARE(ComPortDevice(3), QStringLiteral("/dev/ttyS2")); // empty means unset
    }

    void probe_freePortPasses()
    {
        PtyPair pty;
        QVERIFY(pty.IsOpen());
        qputenv("QUELVANE_COM1", QFile::encodeName(pty.SlavePath()));
        QVERIFY(ProbeComPort(1).listed());
        QVERIFY(ProbeComPort(1).listed()); // the probe itself leaves the port free
    }

    void probe_portHeldByTheControlFails()
    {
        PtyPair pty;
        QVERIFY(pty.IsOpen());
        qputenv("QUELVANE_COM1", QFile::encodeName(pty.SlavePath()));
        TMSComm comm;
        comm.SetCommPort(1);
        comm.SetPortOpen(true);
        QVERIFY(!ProbeComPort(1).listed());
        QVERIFY(comm.PortOpen()); // probing does not disturb the holder
        comm.SetOutput("still here");
        QCOMPARE(pty.ReadMaster(10, 2000), QByteArray("still here"));
        comm.SetPortOpen(false);
        QVERIFY(ProbeComPort(1).listed());
    }

    void probe_portLockedByAnotherOpenFails()
    {
        // Another program's lock is a lock on another open file description, as here.
        PtyPair pty;
        QVERIFY(pty.IsOpen());
        qputenv("QUELVANE_COM2", QFile::encodeName(pty.SlavePath()));
        const int other =
            ::open(QFile::encodeName(pty.SlavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QVERIFY(!ProbeComPort(2).listed());
        ::close(other);
        QVERIFY(ProbeComPort(2).listed());
    }

    void probe_missingDeviceFails()
    {
        qputenv("QUELVANE_COM2", "/nonexistent/quelvane-tty");
        QVERIFY(!ProbeComPort(2).listed());
    }

    void probe_nonTerminalFails()
    {
        qputenv("QUELVANE_COM3", "/dev/null");
        QVERIFY(!ProbeComPort(3).listed());
    }

    void probeComPorts_listsThePassingNamesInOrder()
    {
        PtyPair first;
        PtyPair third;
        QVERIFY(first.IsOpen() && third.IsOpen());
        qputenv("QUELVANE_COM1", QFile::encodeName(first.SlavePath()));
        qputenv("QUELVANE_COM2", "/nonexistent/quelvane-tty");
        qputenv("QUELVANE_COM3", QFile::encodeName(third.SlavePath()));
        qputenv("QUELVANE_COM4", "/dev/null");
        QCOMPARE(listedNames(), QStringList({"COM1", "COM3"}));

        TMSComm comm; // the station holds COM1: it leaves the list
        comm.SetCommPort(1);
        comm.SetPortOpen(true);
        QCOMPARE(listedNames(), QStringList({"COM3"}));
        comm.SetPortOpen(false);
        QCOMPARE(listedNames(), QStringList({"COM1", "COM3"}));
    }
};

QTEST_GUILESS_MAIN(TestPortProbe)
#include "tst_portprobe.moc"
