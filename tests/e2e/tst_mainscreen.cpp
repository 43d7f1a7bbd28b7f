#include "StationOnBus.h"
#include "support/FrameBytes.h"

#include <QMenu>

#include "components/TiSwitchRocker.h"
#include "floors/ClickLabel.h"
#include "floors/FloorScreens.h"

namespace {

constexpr std::uint32_t Red = 0x000000FF;
constexpr std::uint32_t Lime = 0x0000FF00;

} // namespace

class TestMainScreen : public QObject
{
    Q_OBJECT
private slots:
    void flippingASwitchSendsItsCommandThenTheStatusRequest()
    {
        StationOnBus s;
        s.OpenCom1();
        auto* rocker = s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker3");
        QCOMPARE(rocker->cursor().shape(), Qt::PointingHandCursor);

        Qt::CursorShape duringSwitch = Qt::ArrowCursor;
        Qt::CursorShape duringScreen = Qt::ArrowCursor;
        QTimer::singleShot(500, [&] {
            duringSwitch = rocker->cursor().shape();
            duringScreen = s.Main().cursor().shape();
        });
        QTest::mouseClick(rocker, Qt::LeftButton);
        QVERIFY(rocker->property("Active").toBool());
        QCOMPARE(duringSwitch, Qt::WaitCursor);
        QCOMPARE(duringScreen, Qt::WaitCursor);
        QVERIFY(!rocker->testAttribute(Qt::WA_SetCursor)); // the default arrow from now on
        QCOMPARE(s.Main().cursor().shape(), Qt::ArrowCursor);

        QVERIFY(s.WaitForFrames(3));
        QCOMPARE(s.bus.Frames()[1].bytes, FrameBytes(BuildSwitchCommand(1, 4, 4)));
        QCOMPARE(s.bus.Frames()[1].bytes.toHex(' '),
                 QByteArray("aa 01 13 04 04 ") + QByteArray("00 ").repeated(20) + "c6");
        QCOMPARE(s.bus.Frames()[2].bytes, FrameBytes(BuildStatusRequest(1)));
        // Arrival times on the bus's clock: the line adds a few milliseconds of jitter to the
        // station's wait of more than 2000 ms.
        QVERIFY(s.bus.Frames()[2].atMs - s.bus.Frames()[1].atMs > 1900);
        // The board switched relay 3; its reply turns R3 red and leaves every switch alone.
        QTRY_COMPARE(s.MainIndicator(3), Red);
        for (int k : {1, 2, 4, 5})
            QCOMPARE(s.MainIndicator(k), Lime);
        for (int k : {1, 2, 4, 5})
            QVERIFY(!s.Control<TiSwitchRocker>(&s.Main(),
                                               qPrintable(QStringLiteral("iSwitchRocker%1").arg(k)))
                         ->property("Active")
                         .toBool());

        QTest::mouseClick(rocker, Qt::LeftButton);
        QVERIFY(s.WaitForFrames(5));
        QCOMPARE(s.bus.Frames()[3].bytes, FrameBytes(BuildSwitchCommand(1, 4, 0)));
        QCOMPARE(s.bus.Frames()[4].bytes, FrameBytes(BuildStatusRequest(1)));
        QTRY_COMPARE(s.MainIndicator(3), Lime);
    }

    void aSecondFlipInsideTheWaitRunsToItsEndFirst()
    {
        StationOnBus s;
        s.OpenCom1();
        auto* a = s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker1");
        auto* b = s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker5");
        QTimer::singleShot(500, [b] { QTest::mouseClick(b, Qt::LeftButton); });
        QTest::mouseClick(a, Qt::LeftButton);
        QVERIFY(s.WaitForFrames(5));
        QCOMPARE(s.bus.Frames()[1].bytes, FrameBytes(BuildSwitchCommand(1, 1, 1)));
        QCOMPARE(s.bus.Frames()[2].bytes, FrameBytes(BuildSwitchCommand(1, 16, 16)));
        QCOMPARE(s.bus.Frames()[3].bytes, FrameBytes(BuildStatusRequest(1)));
        QCOMPARE(s.bus.Frames()[4].bytes, FrameBytes(BuildStatusRequest(1)));
        // The two requests are the same bytes; their times tell whose they are. The first comes
        // a whole wait after the second flip's command, so it is the second flip's own: the first
        // flip resumed only after the second had ended.
        QVERIFY(s.bus.Frames()[3].atMs - s.bus.Frames()[2].atMs > 1900);
        QTRY_COMPARE(s.MainIndicator(5), Red);
        QCOMPARE(s.MainIndicator(1), Red);
    }

    void aReplyFromController1ColoursOnlyItsFiveIndicators()
    {
        StationOnBus s;
        s.bus.SetStates(1, 0x11);
        s.OpenCom1();
        QTRY_COMPARE(s.MainIndicator(1), Red);
        QCOMPARE(s.MainIndicator(5), Red);
        for (int k : {2, 3, 4})
            QCOMPARE(s.MainIndicator(k), Lime);
    }

    void readCurrentStateReturnsAtOnce()
    {
        StationOnBus s;
        s.OpenCom1();
        s.bus.SetStates(1, 0x02);
        auto* N2 = s.Main().findChild<QAction*>("N2");
        QVERIFY(N2);
        QCOMPARE(N2->text(), QStringLiteral("读取当前状态"));
        // No wait runs inside the command: the event loop does not turn before it has returned.
        bool loopTurned = false;
        QTimer::singleShot(0, [&loopTurned] { loopTurned = true; });
        N2->trigger();
        QVERIFY(!loopTurned);
        QTRY_COMPARE(s.MainIndicator(2), Red);
        QCOMPARE(s.bus.StatusRequests(), (QList<int>{1, 1}));
    }

    void aFloorLabelRequestsTheFloorThenShowsIt()
    {
        StationOnBus s;
        s.OpenCom1();
        auto* label9 = s.Control<ClickLabel>(&s.Main(), "Label9");
        bool disabledMeanwhile = false;
        QTimer::singleShot(1000, [&] { disabledMeanwhile = !label9->isEnabled(); });
        QTest::mouseClick(label9, Qt::LeftButton);
        QVERIFY(disabledMeanwhile);
        QVERIFY(label9->isEnabled());
        QVERIFY(s.WaitForFrames(5));
        QCOMPARE(s.bus.StatusRequests(), (QList<int>{1, 10, 11, 12, 13}));
        for (int i = 2; i < 5; ++i)
            QVERIFY(s.bus.Frames()[i].atMs - s.bus.Frames()[i - 1].atMs > 1900);
        QVERIFY(!s.Main().isVisible());
        QVERIFY(s.station->Screens().Thirdfrm->isVisible());
    }

    void theLineVanishingIsReportedOnceAndLaterFlipsAreSilent()
    {
        StationOnBus s;
        s.OpenCom1();
        s.bus.OnBus([](BuildingBus& b) { b.Close(); });
        QTest::qWait(50);
        auto* rocker = s.Control<TiSwitchRocker>(&s.Main(), "iSwitchRocker2");
        QTest::mouseClick(rocker, Qt::LeftButton);
        QCOMPARE(s.writeErrors, QStringList{"<Error> Failed to write data to port !"});
        QVERIFY(!s.Main().PortReady());
        QVERIFY(!s.Main().Comm1.PortOpen());
        QTest::mouseClick(rocker, Qt::LeftButton);
        QCOMPARE(s.writeErrors.size(), 1);
    }

    void menusCarryTheirCaptions()
    {
        StationOnBus s;
        auto* File1 = s.Main().findChild<QMenu*>("File1");
        QVERIFY(File1);
        QCOMPARE(File1->title(), QStringLiteral("文件"));
        auto* N1 = s.Main().findChild<QAction*>("N1");
        QCOMPARE(N1->text(), QStringLiteral("设置"));
        auto* Help1 = s.Main().findChild<QAction*>("Help1");
        QCOMPARE(Help1->text(), QStringLiteral("帮助"));
        Help1->trigger(); // does nothing
        QVERIFY(s.Main().isVisible());
    }
};

QTEST_MAIN(TestMainScreen)
#include "tst_mainscreen.moc"
