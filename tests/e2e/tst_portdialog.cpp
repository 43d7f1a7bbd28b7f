#include "StationOnBus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "serial/TMSComm.h"
#include "serial/UucpLock.h"

namespace {

// Another program's process: running until the object goes, or already gone.
struct OtherProgram
{
    explicit OtherProgram(bool running)
    {
        pid = ::fork();
        if (pid == 0) {
            if (running)
                ::pause();
            ::_exit(0);
        }
        if (!running)
            end();
    }
    ~OtherProgram() { end(); }
    void end()
    {
        if (ended)
            return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ended = true;
    }
    pid_t pid;
    bool ended = false;
};

bool writeLock(const QString& device, pid_t pid)
{
    QFile file(UucpLockPath(device, UucpLockDirectory()));
    return file.open(QIODevice::WriteOnly) &&
           file.write(QByteArray::number(pid).rightJustified(10, ' ') + '\n') == 11;
}

QStringList listedBy(Station& station)
{
    auto& dialog = *static_cast<TSetfrm*>(station.Screens().Setfrm);
    dialog.FormShow(&dialog);
    QStringList names;
    for (int i = 0; i < dialog.ComboBox1->count(); ++i)
        names << dialog.ComboBox1->itemText(i);
    return names;
}

} // namespace

class TestPortDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> lockDir;

private slots:
    void init()
    {
        qputenv("QUELVANE_COM4", "/dev/quelvane-no-such-port");
        lockDir = std::make_unique<QTemporaryDir>();
        qputenv("QUELVANE_LOCK_DIR", QFile::encodeName(lockDir->path()));
    }
    void cleanup()
    {
        // Nothing the station or the tests took is left behind.
        QCOMPARE(QDir(lockDir->path()).entryList(QDir::Files), QStringList());
    }

    void listsTheFreePortsAndOpensTheChosenEntrysNumber()
    {
        BusOnThread held;
        BusOnThread third;
        qputenv("QUELVANE_COM2", held.devicePath.toLocal8Bit());
        qputenv("QUELVANE_COM3", third.devicePath.toLocal8Bit());
        TMSComm other;
        other.SetCommPort(2);
        other.SetPortOpen(true);

        StationOnBus s;
        s.runPortDialog(
            [](TSetfrm& d) { d.ComboBox1->setCurrentIndex(d.ComboBox1->findText("COM3")); }, true);
        QCOMPARE(s.listed, (QStringList{"COM1", "COM3"}));
        QVERIFY(s.main().PortReady());
        QCOMPARE(s.main().Comm1.CommPort(), short(3));
        QCOMPARE(s.main().Comm1.Settings(), QStringLiteral("9600,n,8,1"));
        QTRY_COMPARE(third.statusRequests(), QList<int>{1});
        QVERIFY(s.bus.frames.isEmpty());
        QVERIFY(s.warnings.isEmpty());
    }

    void thePortTheStationHoldsIsNotListed()
    {
        StationOnBus s;
        s.openCom1();
        QTRY_COMPARE(s.bus.statusRequests(), QList<int>{1});
        s.runPortDialog([](TSetfrm&) {}, false);
        QVERIFY(!s.listed.contains("COM1"));
    }

    void cancelRequestsStatusAndLeavesThePortAsItWas()
    {
        StationOnBus s;
        s.runPortDialog([](TSetfrm&) {}, false);
        QVERIFY(!s.main().PortReady());
        s.openCom1();
        s.runPortDialog([](TSetfrm&) {}, false);
        QVERIFY(s.main().PortReady());
        QVERIFY(s.main().Comm1.PortOpen());
        QTRY_COMPARE(s.bus.statusRequests(), (QList<int>{1, 1}));
        QVERIFY(s.warnings.isEmpty());
    }

    void okWithNothingChosenClosesThePortAndWarns()
    {
        StationOnBus s;
        s.openCom1();
        s.runPortDialog([](TSetfrm&) {}, true);
        QVERIFY(!s.main().PortReady());
        QVERIFY(!s.main().Comm1.PortOpen());
        QCOMPARE(s.warnings, QStringList{"打开通讯出错"});

        s.runPortDialog([](TSetfrm& d) { d.ComboBox1->setEditText("COM9"); }, true);
        QCOMPARE(s.warnings.last(), QStringLiteral("打开通讯COM9出错"));
    }

    void portsHeldByOtherProgramsAreNeitherListedNorOpened()
    {
        BusOnThread locked;
        BusOnThread exclusive;
        BusOnThread stale;
        qputenv("QUELVANE_COM2", locked.devicePath.toLocal8Bit());
        qputenv("QUELVANE_COM3", exclusive.devicePath.toLocal8Bit());
        qputenv("QUELVANE_COM4", stale.devicePath.toLocal8Bit());
        OtherProgram running(true);
        OtherProgram gone(false);
        QVERIFY(writeLock(locked.devicePath, running.pid));
        QVERIFY(writeLock(stale.devicePath, gone.pid));
        const int held = ::open(QFile::encodeName(exclusive.devicePath).constData(),
                                O_RDWR | O_NOCTTY | O_NONBLOCK);
        QCOMPARE(::ioctl(held, TIOCEXCL), 0);

        StationOnBus s;
        s.runPortDialog([](TSetfrm&) {}, false);
        QCOMPARE(s.listed, (QStringList{"COM1", "COM4"}));
        QVERIFY(!s.main().OpenPort(2, 9600));
        QVERIFY(!s.main().OpenPort(3, 9600));
        // A dead program's lock is no lock: the station takes it over.
        s.runPortDialog(
            [](TSetfrm& d) { d.ComboBox1->setCurrentIndex(d.ComboBox1->findText("COM4")); }, true);
        QVERIFY(s.main().PortReady());
        QTRY_COMPARE(stale.statusRequests(), QList<int>{1});
        s.main().ClosePort();

        ::ioctl(held, TIOCNXCL);
        ::close(held);
        QFile::remove(UucpLockPath(locked.devicePath, UucpLockDirectory()));
    }

    void aSecondStationNeitherListsNorOpensThePortTheFirstHolds()
    {
        StationOnBus first;
        first.openCom1();
        Station second;
        QVERIFY(!listedBy(second).contains("COM1"));
        QVERIFY(!second.mainfrm().OpenPort(1, 9600));
        QVERIFY(first.main().Comm1.PortOpen());
        first.main().ClosePort();
        QVERIFY(listedBy(second).contains("COM1"));
        QVERIFY(second.mainfrm().OpenPort(1, 9600));
        second.mainfrm().ClosePort();
    }

    void aFailedOpenWarnsAndLaterSendsNothing()
    {
        StationOnBus s;
        TMSComm thief;
        s.runPortDialog(
            [&thief](TSetfrm& d) {
                d.ComboBox1->setCurrentIndex(d.ComboBox1->findText("COM1"));
                // Another program takes the port while the dialog is open.
                thief.SetCommPort(1);
                thief.SetPortOpen(true);
            },
            true);
        QCOMPARE(s.warnings, QStringList{"打开通讯COM1出错"});
        QVERIFY(!s.main().PortReady());
        thief.SetPortOpen(false);
        s.main().RequestStatus(1);
        QTest::qWait(100);
        QVERIFY(s.bus.frames.isEmpty());
        QVERIFY(s.writeErrors.isEmpty());
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
