#include <QTest>

#include "StationOnDesktop.h"
#include "link/ControllerFrame.h"

// The operator's keyboard and mouse, through the X server.
class TestDesktopInput : public QObject
{
    Q_OBJECT

    Desktop desktop;

    static QList<QByteArray> switchCommandsFrom(const StationOnDesktop& s, qsizetype first)
    {
        QList<QByteArray> commands;
        for (qsizetype i = first; i < s.bus.frames.size(); ++i) {
            const QByteArray& frame = s.bus.frames[i].bytes;
            if (quint8(frame[ControllerFrameLayout::Command]) == SwitchCommand)
                commands << frame;
        }
        return commands;
    }

    static int statusRequestsFrom(const StationOnDesktop& s, qsizetype first)
    {
        int count = 0;
        for (qsizetype i = first; i < s.bus.frames.size(); ++i) {
            if (quint8(s.bus.frames[i].bytes[ControllerFrameLayout::Command]) == ReadStatusCommand)
                ++count;
        }
        return count;
    }

    // Every switch command is followed by its status request, two seconds later.
    static bool everyCommandAnswered(const StationOnDesktop& s, qsizetype first)
    {
        const qsizetype commands = switchCommandsFrom(s, first).size();
        return commands > 0 && statusRequestsFrom(s, first) >= commands;
    }

    QByteArray cursorOnceItDiffersFrom(const QList<QByteArray>& previous)
    {
        QByteArray now;
        WaitFor(
            [&] {
                now = desktop.cursorShape();
                return !previous.contains(now);
            },
            StationOnDesktop::WindowMs);
        return now;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(desktop.start(&error), qPrintable(error));
    }

    void onlyAnEntryChosenFromTheListOpensAPort()
    {
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));

        // The entry's text typed into the field: no port, the warning.
        auto dialog = s.openPortDialog();
        QVERIFY(dialog);
        desktop.click(*dialog, Layout::DialogField);
        desktop.typeText("COM1");
        s.confirmPortDialog(*dialog);
        const auto warning = s.waitForWindow("Warning");
        QVERIFY2(warning, "typed text opened the port");
        QVERIFY(s.waitUntilActive(*warning));
        desktop.tap("Return");
        QVERIFY(s.waitUntilUnmanaged(*warning));

        // Typed, then chosen from the list with the arrow key: the port opens.
        dialog = s.openPortDialog();
        QVERIFY(dialog);
        desktop.click(*dialog, Layout::DialogField);
        desktop.typeText("CO");
        desktop.tap("Down");
        s.confirmPortDialog(*dialog);
        QVERIFY(s.waitForStatusRequest(1));
        // The first status request on the line is this one: the typed text sent nothing.
        QCOMPARE(s.bus.statusRequests(), QList<int>{1});
        QVERIFY(desktop.clientsTitled("Warning").isEmpty());
    }

    void theClickedFloorLabelShowsTheBusyCursor()
    {
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));
        QVERIFY(s.openCom1());

        desktop.moveTo(s.main(), Layout::MainBackground);
        const QByteArray idle = cursorOnceItDiffersFrom({QByteArray()});
        desktop.moveTo(s.main(), Layout::MainLabel7);
        const QByteArray hand = cursorOnceItDiffersFrom({idle});
        // The pointer stays on the label, which the click disables. While the click is handled
        // the cursor may pass through the arrow; what it settles on differs from both.
        desktop.click(s.main(), Layout::MainLabel7);
        const QByteArray overLabel = cursorOnceItDiffersFrom({idle, hand});
        QVERIFY2(overLabel != idle && overLabel != hand,
                 "the cursor over the disabled label is the arrow or the hand, not busy");
        desktop.moveTo(s.main(), Layout::MainBackground);
        const QByteArray busy = cursorOnceItDiffersFrom({idle, hand});
        QVERIFY2(!s.heardStatusRequest(5), "the floor change ended before the cursors were read");
        QVERIFY(busy != hand);
        QVERIFY2(overLabel == busy, "the cursor over the disabled label is not the busy cursor");
    }

    void aHeldSpaceBarTogglesTheSwitchOnce()
    {
        StationOnDesktop s(desktop);
        QString error;
        QVERIFY2(s.start(&error), qPrintable(error));
        QVERIFY(s.openCom1());

        // A click switches relay 1 on and gives the switch the focus.
        qsizetype first = s.bus.frames.size();
        desktop.click(s.main(), Layout::MainSwitch1);
        QVERIFY(
            WaitFor([&] { return everyCommandAnswered(s, first); }, StationOnDesktop::WindowMs));
        QCOMPARE(switchCommandsFrom(s, first).size(), 1);

        // Held well past the server's auto-repeat delay, so that it repeats many times.
        first = s.bus.frames.size();
        desktop.keyDown("space");
        QTest::qWait(2000);
        desktop.keyUp("space");
        QVERIFY(
            WaitFor([&] { return everyCommandAnswered(s, first); }, StationOnDesktop::WindowMs));
        const QList<QByteArray> commands = switchCommandsFrom(s, first);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(quint8(commands[0][ControllerFrameLayout::StateMask]), quint8(0));
    }
};

QTEST_GUILESS_MAIN(TestDesktopInput)
#include "tst_desktopinput.moc"
