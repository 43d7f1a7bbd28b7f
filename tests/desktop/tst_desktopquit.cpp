#include <QTest>

#include "DesktopFixture.h"
#include "link/ControllerFrame.h"

// Closing the main screen ends the station, whatever else is shown or under way.
class TestDesktopQuit : public DesktopFixture
{
    Q_OBJECT

    // The close request is Alt+F4 through the window manager; the time runs from the moment
    // the X server has it to the moment the station's run is over.
    static constexpr qint64 RunOverMs = 1000;

    void closeAndExpectTheEnd(StationOnDesktop& s)
    {
        qint64 closedAt = 0;
        const qint64 ms = s.CloseMainScreen(&closedAt);
        QVERIFY2(ms >= 0, "the station did not end");
        qInfo("the run was over %lld ms after the close request", ms);
        QVERIFY2(ms <= RunOverMs, qPrintable(QStringLiteral("over after %1 ms").arg(ms)));
        QCOMPARE(s.Process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.Process().exitCode(), 0);
        const auto after = s.FramesHeardAfter(closedAt);
        QVERIFY2(after.has_value(), "the line could not be marked");
        for (const BusOnThread::Frame& frame : *after)
            QFAIL(qPrintable("heard after the close: " + frame.bytes.toHex(' ')));
    }

private slots:
    void closingTheMainScreenWhileAFloorScreenIsShown()
    {
        StationOnDesktop& s = station();
        QVERIFY(s.OpenCom1());

        desktop_.Click(s.Main(), Layout::MainLabel7);
        const auto floor1 = s.WaitForWindow(QStringLiteral("岚苑一层界面"));
        QVERIFY(floor1);
        // To floor 2, and inside that wait back to the main screen: the move to floor 2 then
        // finishes as well, and both screens stay shown.
        desktop_.Click(*floor1, Layout::FloorLabel26);
        QVERIFY(s.WaitForStatusRequest(6));
        desktop_.Click(*floor1, Layout::FloorLabel38);
        QVERIFY(s.WaitForWindow(QStringLiteral("楼宇监控系统")));
        const auto floor2 =
            s.WaitForWindow(QStringLiteral("岚苑二层界面"), StationOnDesktop::NavigationMs);
        QVERIFY(floor2);
        QVERIFY(desktop_.Clients().contains(s.Main()));

        // A floor screen still refuses to close: a switch flipped after the request finds it
        // shown, and the switch's wait is under way when the main screen closes.
        QVERIFY(s.RequestClose(*floor2));
        const qsizetype before = s.Bus().Frames().size();
        desktop_.Click(*floor2, Layout::FloorSwitch1);
        QVERIFY(WaitFor(
            [&] {
                for (qsizetype i = before; i < s.Bus().Frames().size(); ++i) {
                    if (quint8(s.Bus().Frames()[i].bytes[ControllerFrameLayout::Command]) ==
                        SwitchCommand)
                        return true;
                }
                return false;
            },
            StationOnDesktop::WindowMs));
        QVERIFY(desktop_.Clients().contains(*floor2));

        closeAndExpectTheEnd(s);
    }

    void closingTheMainScreenInsideAWait_data()
    {
        QTest::addColumn<QPoint>("clicked");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("address");
        QTest::newRow("a floor change") << Layout::MainLabel7 << int(ReadStatusCommand) << 2;
        QTest::newRow("a switch flip") << Layout::MainSwitch1 << int(SwitchCommand) << 1;
    }

    void closingTheMainScreenInsideAWait()
    {
        QFETCH(QPoint, clicked);
        QFETCH(int, command);
        QFETCH(int, address);
        StationOnDesktop& s = station();
        QVERIFY(s.OpenCom1());

        const qsizetype before = s.Bus().Frames().size();
        desktop_.Click(s.Main(), clicked);
        // The first frame is out; the wait of two seconds that follows it has begun.
        QVERIFY(WaitFor(
            [&] {
                for (qsizetype i = before; i < s.Bus().Frames().size(); ++i) {
                    const QByteArray& f = s.Bus().Frames()[i].bytes;
                    if (f[ControllerFrameLayout::Command] == char(command) &&
                        f[ControllerFrameLayout::ControllerAddress] == char(address))
                        return true;
                }
                return false;
            },
            StationOnDesktop::WindowMs));

        closeAndExpectTheEnd(s);
    }
};

QTEST_GUILESS_MAIN(TestDesktopQuit)
#include "tst_desktopquit.moc"
