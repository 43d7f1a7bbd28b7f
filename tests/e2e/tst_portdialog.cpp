#include "StationOnBus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "serial/TMSComm.h"
#include "serial/UucpLock.h"
#include "support/OtherProgram.h"

namespace {

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

    std::unique_ptr<QTemporaryDir> lockDir_;

private slots:
    void init()
    {
        qputenv("QUELVANE_COM4", "/dev/quelvane-no-such-port");
        lockDir_ = std::make_unique<QTemporaryDir>();
        qputenv("QUELVANE_LOCK_DIR", QFile::encodeName(lockDir_->path()));
    }
    void cleanup()
    {
        // Nothing the station or the tests took is left behind.
        QCOMPARE(QDir(lockDir_->path()).entryList(QDir::Files), QStringList());
    }

    void listsTheFreePortsAndOpensTheChosenEntrysNumber()
    {
        BusOnThread held;
        BusOnThread third;
        qputenv("QUELVANE_COM2", held.DevicePath().toLocal8Bit());
        qputenv("QUELVANE_COM3", third.DevicePath().toLocal8Bit());
        TMSComm other;
        other.SetCommPort(2);
        other.SetPortOpen(true);

        StationOnBus s;
        s.RunPortDialog(StationOnBus::Choose("COM3"), true);
        QCOMPARE(s.listed, (QStringList{"COM1", "COM3"}));
        QVERIFY(s.Main().PortReady());
        QCOMPARE(s.Main().Comm1.CommPort(), short(3));
        QCOMPARE(s.Main().Comm1.Settings(), QStringLiteral("9600,n,8,1"));
        QTRY_COMPARE(third.StatusRequests(), QList<int>{1});
        QVERIFY(s.bus.Frames().isEmpty());
        QVERIFY(s.warnings.isEmpty());
    }

    void thePortTheStationHoldsIsNotListed()
    {
        StationOnBus s;
        s.OpenCom1();
        QTRY_COMPARE(s.bus.StatusRequests(), QList<int>{1});
        s.RunPortDialog([](TSetfrm&) {}, false);
        QVERIFY(!s.listed.contains("COM1"));
    }

    void cancelRequestsStatusAndLeavesThePortAsItWas()
    {
        StationOnBus s;
        s.RunPortDialog([](TSetfrm&) {}, false);
        QVERIFY(!s.Main().PortReady());
        s.OpenCom1();
        s.RunPortDialog([](TSetfrm&) {}, false);
        QVERIFY(s.Main().PortReady());
        QVERIFY(s.Main().Comm1.PortOpen());
        QTRY_COMPARE(s.bus.StatusRequests(), (QList<int>{1, 1}));
        QVERIFY(s.warnings.isEmpty());
    }

    void okWithNothingChosenClosesThePortAndWarns()
    {
        StationOnBus s;
        s.OpenCom1();
        s.RunPortDialog([](TSetfrm&) {}, true);
        QVERIFY(!s.Main().PortReady());
        QVERIFY(!s.Main().Comm1.PortOpen());
        QCOMPARE(s.warnings, QStringList{"打开通讯出错"});

        s.RunPortDialog([](TSetfrm& d) { d.ComboBox1->setEditText("COM9"); }, true);
        QCOMPARE(s.warnings.last(), QStringLiteral("打开通讯COM9出错"));
    }

    void aPortLockedByALiveProgramIsNeitherListedNorOpenedAStaleLockIsTakenOver()
    {
        BusOnThread locked;
        BusOnThread stale;
        qputenv("QUELVANE_COM2", locked.DevicePath().toLocal8Bit());
        qputenv("QUELVANE_COM3", stale.DevicePath().toLocal8Bit());
        OtherProgram running(true);
        OtherProgram gone(false);
        const QString lockedFile = UucpLockPath(locked.DevicePath(), UucpLockDirectory());
        QVERIFY(running.WriteLock(lockedFile));
        QVERIFY(gone.WriteLock(UucpLockPath(stale.DevicePath(), UucpLockDirectory())));

        StationOnBus s;
        s.RunPortDialog(StationOnBus::Choose("COM3"), true);
        QCOMPARE(s.listed, (QStringList{"COM1", "COM3"}));
        QVERIFY(s.Main().PortReady());
        QTRY_COMPARE(stale.StatusRequests(), QList<int>{1});
        QVERIFY(!s.Main().OpenPort(2, 9600));
        QFile::remove(lockedFile);
    }

    void aSecondStationNeitherListsNorOpensThePortTheFirstHolds()
    {
        StationOnBus first;
        first.OpenCom1();
        Station second;
        QVERIFY(!listedBy(second).contains("COM1"));
        QVERIFY(!second.mainfrm().OpenPort(1, 9600));
        QVERIFY(first.Main().Comm1.PortOpen());
        first.Main().ClosePort();
        QVERIFY(listedBy(second).contains("COM1"));
        QVERIFY(second.mainfrm().OpenPort(1, 9600));
        second.mainfrm().ClosePort();
    }

    void aFailedOpenWarnsAndLaterSendsNothing()
    {
        StationOnBus s;
        TMSComm thief;
        s.RunPortDialog(
            [&thief](TSetfrm& d) {
                StationOnBus::Choose("COM1")(d);
                // Another program takes the port while the dialog is open.
                thief.SetCommPort(1);
                thief.SetPortOpen(true);
            },
            true);
        QCOMPARE(s.warnings, QStringList{"打开通讯COM1出错"});
        QVERIFY(!s.Main().PortReady());
        thief.SetPortOpen(false);
        s.Main().RequestStatus(1);
        QTest::qWait(100);
        QVERIFY(s.bus.Frames().isEmpty());
        QVERIFY(s.writeErrors.isEmpty());
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_portdialog.moc"
