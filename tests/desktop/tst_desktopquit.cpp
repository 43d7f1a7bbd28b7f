#include <QTest>

#include "StationOnDesktop.h"
#include "link/ControllerFrame.h"

// Closing the main screen ends the station, whatever else is shown or under way.
class TestDesktopQuit : public QObject
{
    Q_OBJECT

    Desktop desktop;

    // The close request is Alt+F4 through the window manager; the time runs from the moment
    // it is sent to the moment the process has exited.
    static constexpr qint64 GoneMs = 1000;

    void closeAndExpectTheEnd(StationOnDesktop& s)
    {
        qint64 closedAt = 0;
        const qint64 ms = s.closeMainScreen(&closedAt);
        QVERIFY2(ms >= 0, "the station did not end");
        qInfo("gone %lld ms after the close request", ms);
        QVERIFY2(ms <= GoneMs, qPrintable(QStringLiteral("gone after %1 ms").arg(ms)));
        QCOMPARE(s.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(s.process().exitCode(), 0);
        const auto after = s.framesHeardAfter(closedAt);
        QVERIFY2(after.has_value(), "the line could not be marked");
        for (const BusOnThread::Frame& frame : *after)
            QFAIL(qPrintable("heard after the close: " + frame.bytes.toHex(' ')));
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(desktop.start(&error), qPrintable(error));
    }

    void closingTheMainScreenWhileAFloorScreenIsShown()
    {
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));
        QVERIFY(s.openCom1());

        desktop.click(s.main(), Layout::MainLabel7);
        const auto floor1 = s.waitForWindow(QStringLiteral("岚苑一层界面"));
        QVERIFY(floor1);
        // To floor 2, and inside that wait back to the main screen: the move to floor 2 then
        // finishes as well, and both screens stay shown.
        desktop.click(*floor1, Layout::FloorLabel26);
        QVERIFY(s.waitForStatusRequest(6));
        desktop.click(*floor1, Layout::FloorLabel38);
        QVERIFY(s.waitForWindow(QStringLiteral("楼宇监控系统")));
        const auto floor2 =
            s.waitForWindow(QStringLiteral("岚苑二层界面"), StationOnDesktop::NavigationMs);
        QVERIFY(floor2);
        QVERIFY(desktop.clients().contains(s.main()));

        // A floor screen still refuses to close: a switch flipped after the request finds it
        // shown, and the switch's wait is under way when the main screen closes.
        QVERIFY(s.requestClose(*floor2));
        const qsizetype before = s.bus.frames.size();
        desktop.click(*floor2, Layout::FloorSwitch1);
        QVERIFY(WaitFor(
            [&] {
                for (qsizetype i = before; i < s.bus.frames.size(); ++i) {
                    if (quint8(s.bus.frames[i].bytes[ControllerFrameLayout::Command]) ==
                        SwitchCommand)
                        return true;
                }
                return false;
            },
            StationOnDesktop::WindowMs));
        QVERIFY(desktop.clients().contains(*floor2));

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
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));
        QVERIFY(s.openCom1());

        const qsizetype before = s.bus.frames.size();
        desktop.click(s.main(), clicked);
        // The first frame is out; the wait of two seconds that follows it has begun.
        QVERIFY(WaitFor(
            [&] {
                for (qsizetype i = before; i < s.bus.frames.size(); ++i) {
                    const QByteArray& f = s.bus.frames[i].bytes;
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
