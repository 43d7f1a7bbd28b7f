// The line vanishing under the station and coming back: COM1 names a symbolic link to a
// pseudo-terminal whose far end goes away mid-read and mid-write, then a fresh one is linked
// at the same name; and a device name that stays fixed across the unplug, as a USB adapter's
// does once the station has let go of it.
#include "StationOnBus.h"
#include "support/FrameBytes.h"
#include "support/PrivateMounts.h"

#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "components/TiSwitchRocker.h"

namespace {

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

const bool privateMounts = EnterPrivateMountNamespace();

bool linkAt(const QString& link, const QString& target)
{
    QFile::remove(link);
    return QFile::link(target, link);
}

} // namespace

class TestUnplug : public QObject
{
    Q_OBJECT
private slots:
    void theStationSurvivesTheLineVanishingAndWorksOnWhenItIsBack()
    {
        QTemporaryDir dir;
        const QString com1 = dir.filePath("com1");
        StationOnBus s;
        QVERIFY(linkAt(com1, s.bus.DevicePath()));
        qputenv("QUELVANE_COM1", com1.toLocal8Bit());
        s.OpenCom1();
        auto* rocker = s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker4");

        // Mid-read: half a reply is in, then the far end is gone.
        s.bus.InjectBytes(StatusReplyBytes(1, 0x08).left(13));
        QTest::qWait(10);
        s.bus.OnBus([](BuildingBus& b) { b.Close(); });
        QFile::remove(com1);

        // No busy loop on the dead device.
        const double cpu0 = cpuMs();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(5000);
        const double share = (cpuMs() - cpu0) / double(wall.elapsed());
        qInfo("CPU over %lld ms after the unplug: %.2f %% of a core", wall.elapsed(), 100 * share);
        QVERIFY2(share < 0.02, qPrintable(QString::number(100 * share)));
        QCOMPARE(s.MainIndicator(4), std::uint32_t(0x0000FF00));

        // Mid-write: the next frame finds the line gone; said once, the port closed.
        QTest::mouseClick(rocker, Qt::LeftButton);
        QCOMPARE(s.writeErrors, QStringList{"<Error> Failed to write data to port !"});
        QVERIFY(!s.Main().PortReady());
        QVERIFY(!s.Main().Comm1.PortOpen());
        QTest::mouseClick(rocker, Qt::LeftButton);
        QCOMPARE(s.writeErrors.size(), 1);

        // Replugged: a fresh line at the same name, opened again from the dialog.
        BusOnThread fresh;
        fresh.SetStates(1, 0x08);
        QVERIFY(linkAt(com1, fresh.DevicePath()));
        s.RunPortDialog(StationOnBus::Choose("COM1"), true);
        QVERIFY(s.Main().PortReady());
        QTRY_COMPARE(fresh.StatusRequests(), QList<int>{1});
        QTRY_COMPARE(s.MainIndicator(4), std::uint32_t(0x000000FF));
        QTest::mouseClick(rocker, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(fresh.Frames().size() >= 3, 5000);
        QCOMPARE(fresh.Frames()[1].bytes[2], char(SwitchCommand));
        QCOMPARE(s.writeErrors.size(), 1);
        QVERIFY(s.warnings.isEmpty());
    }

    void replugged_underTheSameNameWithNoWriteBetween_isListedAndOpensAtOnce()
    {
        if (!privateMounts)
            QSKIP("needs a mount namespace of its own (root)");
        QTemporaryDir dir;
        const QString name = dir.filePath("ttyUSB0");
        QFile placeholder(name);
        QVERIFY(placeholder.open(QIODevice::WriteOnly));
        placeholder.close();
        qputenv("QUELVANE_LOCK_DIR", QFile::encodeName(dir.path()));
        StationOnBus s;
        QVERIFY(BindDevice(s.bus.DevicePath(), name));
        qputenv("QUELVANE_COM1", QFile::encodeName(name));
        s.OpenCom1();

        s.bus.OnBus([](BuildingBus& b) { b.Close(); });
        UnbindDevice(name);
        QTRY_VERIFY(s.Main().Comm1.DeviceLost());
        QVERIFY(s.Main().PortReady()); // until a write finds out

        BusOnThread fresh;
        fresh.SetStates(1, 0x08);
        QVERIFY(BindDevice(fresh.DevicePath(), name));
        s.RunPortDialog(StationOnBus::Choose("COM1"), true);
        UnbindDevice(name);
        QCOMPARE(s.listed.value(0), QStringLiteral("COM1"));
        QVERIFY(s.Main().PortReady());
        QVERIFY(s.warnings.isEmpty());
        QTRY_COMPARE(fresh.StatusRequests(), QList<int>{1});
        QTRY_COMPARE(s.MainIndicator(4), std::uint32_t(0x000000FF));
        QVERIFY(s.writeErrors.isEmpty());
    }
};

QTEST_MAIN(TestUnplug)
#include "tst_unplug.moc"
