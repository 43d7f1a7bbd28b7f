#include <QTest>

#include "DesktopFixture.h"
#include "link/ControllerFrame.h"

// The operator's keyboard and mouse, through the X server.
class TestDesktopInput : public DesktopFixture
{
    Q_OBJECT

    static QList<QByteArray> switchCommandsFrom(const StationOnDesktop& s, qsizetype first)
    {
        QList<QByteArray> commands;
        for (qsizetype i = first; i < s.Bus().Frames().size(); ++i) {
            const QByteArray& frame = s.Bus().Frames()[i].bytes;
            if (quint8(frame[ControllerFrameLayout::Command]) == SwitchCommand)
                commands << frame;
        }
        return commands;
    }

    static int statusRequestsFrom(const StationOnDesktop& s, qsizetype first)
    {
        int count = 0;
        for (qsizetype i = first; i < s.Bus().Frames().size(); ++i) {
            if (quint8(s.Bus().Frames()[i].bytes[ControllerFrameLayout::Command]) ==
                ReadStatusCommand)
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
                now = desktop_.PointerShape();
                return !previous.contains(now);
            },
            StationOnDesktop::WindowMs);
        return now;
    }

private slots:
    void onlyAnEntryChosenFromTheListOpensAPort()
    {
        StationOnDesktop& s = station();

        // The entry's text typed into the field: no port, the warning.
        auto dialog = s.OpenPortDialog();
        QVERIFY(dialog);
        desktop_.Click(*dialog, Layout::DialogField);
        desktop_.TypeText("COM1");
        s.ConfirmPortDialog(*dialog);
        const auto warning = s.WaitForWindow("Warning");
        QVERIFY2(warning, "typed text opened the port");
        QVERIFY(s.WaitUntilActive(*warning));
        desktop_.Tap("Return");
        QVERIFY(s.WaitUntilUnmanaged(*warning));

        // Typed, then chosen from the list with the arrow key: the port opens.
        dialog = s.OpenPortDialog();
        QVERIFY(dialog);
        desktop_.Click(*dialog, Layout::DialogField);
        desktop_.TypeText("CO");
        desktop_.Tap("Down");
        s.ConfirmPortDialog(*dialog);
        QVERIFY(s.WaitForStatusRequest(1));
        // The first status request on the line is this one: the typed text sent nothing.
        QCOMPARE(s.Bus().StatusRequests(), QList<int>{1});
        QVERIFY(desktop_.ClientsTitled("Warning").isEmpty());
    }

    void theClickedFloorLabelShowsTheBusyCursor()
    {
        StationOnDesktop& s = station();
        QVERIFY(s.OpenCom1());

        desktop_.MoveTo(s.Main(), Layout::MainBackground);
        const QByteArray idle = cursorOnceItDiffersFrom({QByteArray()});
        desktop_.MoveTo(s.Main(), Layout::MainLabel7);
        const QByteArray hand = cursorOnceItDiffersFrom({idle});
        // The pointer stays on the label, which the click disables. While the click is handled
        // the cursor may pass through the arrow; what it settles on differs from both.
        desktop_.Click(s.Main(), Layout::MainLabel7);
        const QByteArray overLabel = cursorOnceItDiffersFrom({idle, hand});
        QVERIFY2(overLabel != idle && overLabel != hand,
                 "the cursor over the disabled label is the arrow or the hand, not busy");
        desktop_.MoveTo(s.Main(), Layout::MainBackground);
        const QByteArray busy = cursorOnceItDiffersFrom({idle, hand});
        QVERIFY2(!s.HeardStatusRequest(5), "the floor change ended before the cursors were read");
        QVERIFY(busy != hand);
        QVERIFY2(overLabel == busy, "the cursor over the disabled label is not the busy cursor");
    }

    void aHeldSpaceBarTogglesTheSwitchOnce()
    {
        StationOnDesktop& s = station();
        QVERIFY(s.OpenCom1());

        // A click switches relay 1 on and gives the switch the focus.
        qsizetype first = s.Bus().Frames().size();
        desktop_.Click(s.Main(), Layout::MainSwitch1);
        QVERIFY(
            WaitFor([&] { return everyCommandAnswered(s, first); }, StationOnDesktop::WindowMs));
        QCOMPARE(switchCommandsFrom(s, first).size(), 1);

        // Held well past the server's auto-repeat delay, so that it repeats many times.
        first = s.Bus().Frames().size();
        desktop_.KeyDown("space");
        QTest::qWait(2000);
        desktop_.KeyUp("space");
        QVERIFY(
            WaitFor([&] { return everyCommandAnswered(s, first); }, StationOnDesktop::WindowMs));
        const QList<QByteArray> commands = switchCommandsFrom(s, first);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(quint8(commands[0][ControllerFrameLayout::StateMask]), quint8(0));
    }
};

QTEST_GUILESS_MAIN(TestDesktopInput)
#include "tst_desktopinput.moc"
