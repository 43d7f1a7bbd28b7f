#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "SimStation.h"
#include "components/TCursor.h"
#include "components/TiSwitchRocker.h"
#include "floors/ClickLabel.h"
#include "floors/TShape.h"
#include "support/FrameBytes.h"

// The floor screens against the simulated bus: what goes out on the line, how replies colour
// the shapes, and the moves between screens. The 2000 ms pacing makes these take seconds.
// A click runs its handler before it returns, so a zero timer set before the click fires
// inside the handler's first wait, however loaded the machine is.
class FloorStationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void switches_sendTheirCommandThenAskForStatus();
    void switch_onThenOffDifferOnlyInStateMask();
    void switch_stationEndingInsideTheWait_sendsNoRequestAndResetsTheCursors();
    void replies_colourShapesOnHiddenAndVisibleScreens();
    void reply_bit128OfASevenRelayBoardColoursNothing();
    void label27OnFloor2_requestsFloor3ThenShowsIt();
    void label38_requestsControllerOneAndShowsMainAtOnce();
    void nestedNavigation_endsWithBothTargetsShown();
    void navigation_stationEndingInsideTheWait_showsNothingAndResetsTheCursor();
    void readCurrentState_onFloor5_requests18To21();

private:
    std::unique_ptr<SimStation> station_;
};

namespace {
std::uint32_t colourOf(const FloorScreen* screen, const QString& name)
{
    const auto* shape = screen->findChild<TShape*>(name);
    return shape ? shape->Brush().Color : 0xFFFFFFFFu;
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

void click(QWidget* label)
{
    QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
}

// The main screen closes, and with it the station, inside the wait that follows the first
// frame: once the boards have heard it, so that the frame is not lost with the port.
class EndOnceTheBusHearsAFrame
{
public:
    explicit EndOnceTheBusHearsAFrame(SimStation& s)
    {
        QObject::connect(&watch_, &QTimer::timeout, [&s] {
            if (!s.frames.isEmpty() && !s.link.Ended())
                s.link.End();
        });
        watch_.start(10);
    }

private:
    QTimer watch_;
};
} // namespace

void FloorStationTest::init()
{
    station_ = std::make_unique<SimStation>();
}

void FloorStationTest::cleanup()
{
    station_.reset();
}

void FloorStationTest::switches_sendTheirCommandThenAskForStatus()
{
    SimStation& s = *station_;
    struct Flip
    {
        int floor;
        const char* panel;
        const char* name;
        int address;
        int mask;
        const char* indicator;
    };
    // One switch of every panel position, on every floor.
    const QList<Flip> flips{
        {5, "Panel1", "iSwitchRocker29", 18, 128, "R188"},
        {1, "Panel1", "iSwitchRocker21", 2, 4, "R23"},
        {2, "Panel4", "iSwitchRocker26", 9, 64, "R97"},
        {3, "Panel2", "iSwitchRocker16", 12, 4, "R123"},
        {4, "Panel3", "iSwitchRocker30", 15, 128, "R158"},
    };
    for (const Flip& flip : flips) {
        FloorScreen* screen = s.Floor(flip.floor);
        screen->show();
        auto* panel = screen->findChild<QWidget*>(flip.panel);
        auto* rocker = panel->findChild<TiSwitchRocker*>(flip.name);
        QVERIFY2(rocker, flip.name);
        s.frames.clear();

        Qt::CursorShape rockerMeanwhile = Qt::BlankCursor;
        Qt::CursorShape panelMeanwhile = Qt::BlankCursor;
        QTimer::singleShot(0, [&] {
            rockerMeanwhile = rocker->cursor().shape();
            panelMeanwhile = panel->cursor().shape();
        });
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(rocker, Qt::LeftButton, {}, rocker->rect().center());
        QVERIFY(clock.elapsed() > 2000);
        QVERIFY(rocker->Active());
        QCOMPARE(rockerMeanwhile, Qt::WaitCursor);
        QCOMPARE(panelMeanwhile, Qt::WaitCursor);
        QCOMPARE(rocker->Cursor(), crDefault);
        QVERIFY(!panel->testAttribute(Qt::WA_SetCursor));

        QTRY_COMPARE_WITH_TIMEOUT(s.frames.size(), 2, 3000);
        const auto mask = std::uint8_t(flip.mask);
        QCOMPARE(s.frames[0].bytes,
                 FrameBytes(BuildSwitchCommand(std::uint8_t(flip.address), mask, mask)));
        QCOMPARE(s.frames[1].bytes, FrameBytes(BuildStatusRequest(std::uint8_t(flip.address))));
        QVERIFY(s.frames[1].atMs - s.frames[0].atMs > 1900);
        // The board followed, and its reply shows it.
        QTRY_COMPARE_WITH_TIMEOUT(colourOf(screen, flip.indicator), Red, 3000);
        screen->hide();
    }
    QCOMPARE(FrameBytes(BuildSwitchCommand(18, 128, 128)),
             hex("AA 12 13 80 80 0000000000 0000000000 0000000000 0000000000 CF"));
}

void FloorStationTest::switch_onThenOffDifferOnlyInStateMask()
{
    SimStation& s = *station_;
    s.screens.firstfrm->show();
    auto* rocker = s.screens.firstfrm->findChild<TiSwitchRocker*>("iSwitchRocker21");
    QTest::mouseClick(rocker, Qt::LeftButton, {}, rocker->rect().center());
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(s.screens.firstfrm, "R23"), Red, 3000);
    QTest::mouseClick(rocker, Qt::LeftButton, {}, rocker->rect().center());
    QVERIFY(!rocker->Active());
    QTRY_COMPARE_WITH_TIMEOUT(s.frames.size(), 4, 3000);
    QCOMPARE(s.frames[0].bytes,
             hex("AA 02 13 04 04 0000000000 0000000000 0000000000 0000000000 C7"));
    QCOMPARE(s.frames[2].bytes,
             hex("AA 02 13 04 00 0000000000 0000000000 0000000000 0000000000 C3"));
    QCOMPARE(s.frames[3].bytes, s.frames[1].bytes);
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(s.screens.firstfrm, "R23"), Lime, 3000);
    // The switch stays where the operator left it, whatever the board reports.
    QVERIFY(!rocker->Active());
}

void FloorStationTest::switch_stationEndingInsideTheWait_sendsNoRequestAndResetsTheCursors()
{
    SimStation& s = *station_;
    s.screens.Thirdfrm->show();
    auto* panel = s.screens.Thirdfrm->findChild<QWidget*>("Panel2");
    auto* rocker = panel->findChild<TiSwitchRocker*>("iSwitchRocker16");
    {
        const EndOnceTheBusHearsAFrame end(s);
        QTest::mouseClick(rocker, Qt::LeftButton, {}, rocker->rect().center());
    }

    QVERIFY(s.link.Ended());
    QCOMPARE(rocker->Cursor(), crDefault);
    QVERIFY(!rocker->testAttribute(Qt::WA_SetCursor));
    QVERIFY(!panel->testAttribute(Qt::WA_SetCursor));
    QTest::qWait(100);
    QCOMPARE(s.frames.size(), 1);
    QCOMPARE(s.frames[0].bytes, FrameBytes(BuildSwitchCommand(12, 4, 4)));
}

void FloorStationTest::replies_colourShapesOnHiddenAndVisibleScreens()
{
    SimStation& s = *station_;
    s.SetStates(12, 0x05);
    s.SetStates(19, 0x81);
    s.screens.Fivefrm->show();
    QVERIFY(!s.screens.Thirdfrm->isVisible());

    s.link.RequestStatus(12);
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(s.screens.Thirdfrm, "R121"), Red, 3000);
    s.link.RequestStatus(19);
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(s.screens.Fivefrm, "R191"), Red, 3000);
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R123"), Red);
    for (int column : {2, 4, 5, 6, 7, 8})
        QCOMPARE(colourOf(s.screens.Thirdfrm, QStringLiteral("R12%1").arg(column)), Lime);
    QCOMPARE(colourOf(s.screens.Fivefrm, "R198"), Red);
    for (int column = 2; column <= 7; ++column)
        QCOMPARE(colourOf(s.screens.Fivefrm, QStringLiteral("R19%1").arg(column)), Lime);
    // The neighbours keep their colours.
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R111"), Lime);
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R131"), Lime);

    // A later reply replaces the whole picture of its board.
    s.SetStates(12, 0x02);
    s.link.RequestStatus(12);
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(s.screens.Thirdfrm, "R122"), Red, 3000);
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R121"), Lime);
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R123"), Lime);
}

void FloorStationTest::reply_bit128OfASevenRelayBoardColoursNothing()
{
    SimStation& s = *station_;
    // No board of seven relays reports bit 128, so the reply is put on the line by hand.
    const ControllerFrame reply = RelayBoards::BuildStatusReply(9, 0xC0);
    const QByteArray bytes(reinterpret_cast<const char*>(reply.data()), int(reply.size()));
    s.OnBus([&](BuildingBus& bus) { bus.InjectBytes(bytes); });
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(s.screens.Secondfrm, "R97"), Red, 3000);
    for (int column = 1; column <= 6; ++column)
        QCOMPARE(colourOf(s.screens.Secondfrm, QStringLiteral("R9%1").arg(column)), Lime);
    QCOMPARE(colourOf(s.screens.Secondfrm, "R81"), Lime);
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R101"), Lime);
}

void FloorStationTest::label27OnFloor2_requestsFloor3ThenShowsIt()
{
    SimStation& s = *station_;
    s.SetStates(10, 0x01);
    s.screens.Secondfrm->show();
    auto* label = s.screens.Secondfrm->findChild<ClickLabel*>("Label27");

    bool disabledMeanwhile = false;
    bool busyMeanwhile = false;
    QTimer::singleShot(0, [&] {
        disabledMeanwhile = !label->isEnabled();
        busyMeanwhile = s.screens.Secondfrm->cursor().shape() == Qt::BusyCursor;
        click(label); // disabled: does nothing
    });
    QElapsedTimer clock;
    clock.start();
    click(label);
    QVERIFY(clock.elapsed() > 6000);
    QVERIFY(disabledMeanwhile);
    QVERIFY(busyMeanwhile);

    QTRY_COMPARE_WITH_TIMEOUT(s.StatusRequests(), (QList<int>{10, 11, 12, 13}), 3000);
    for (int i = 1; i < s.frames.size(); ++i) {
        // Arrival times on the bus; the line's latency is a few milliseconds at most.
        QVERIFY2(s.frames[i].atMs - s.frames[i - 1].atMs > 1900,
                 qPrintable(QString::number(s.frames[i].atMs - s.frames[i - 1].atMs)));
    }
    QVERIFY(!s.screens.Secondfrm->isVisible());
    QVERIFY(s.screens.Thirdfrm->isVisible());
    QVERIFY(label->isEnabled());
    QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(s.screens.Secondfrm->cursor().shape(), Qt::ArrowCursor);
    // The replies to the first requests came while floor 3 was still hidden.
    QCOMPARE(colourOf(s.screens.Thirdfrm, "R101"), Red);
}

void FloorStationTest::label38_requestsControllerOneAndShowsMainAtOnce()
{
    SimStation& s = *station_;
    s.screens.Fivefrm->show();
    auto* label = s.screens.Fivefrm->findChild<ClickLabel*>("Label38");
    // At once: the move runs no wait, so nothing the event loop has pending runs inside it.
    bool eventLoopRan = false;
    QTimer::singleShot(0, [&] { eventLoopRan = true; });
    label->OnClick(label);
    QVERIFY(!eventLoopRan);
    QVERIFY(s.mainfrm.isVisible());
    QVERIFY(!s.screens.Fivefrm->isVisible());
    QVERIFY(label->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(s.StatusRequests(), (QList<int>{1}), 3000);
    QCOMPARE(s.frames.size(), 1);
    QTest::qWait(300);
    QCOMPARE(s.frames.size(), 1);
}

void FloorStationTest::nestedNavigation_endsWithBothTargetsShown()
{
    SimStation& s = *station_;
    s.screens.firstfrm->show();
    auto* toFloor2 = s.screens.firstfrm->findChild<ClickLabel*>("Label26");
    auto* toFloor4 = s.screens.firstfrm->findChild<ClickLabel*>("Label28");
    QTimer::singleShot(0, [&] { click(toFloor4); });
    click(toFloor2);

    // The second navigation runs to its end inside the first one's first wait; the first then
    // goes on at once: its request to 7 follows the second's request to 17 without a wait.
    QTRY_VERIFY_WITH_TIMEOUT(s.StatusRequests().endsWith(9), 3000);
    QCOMPARE(s.StatusRequests(), (QList<int>{6, 14, 15, 16, 17, 7, 8, 9}));
    QVERIFY(s.screens.Secondfrm->isVisible());
    QVERIFY(s.screens.Fourfrm->isVisible());
    QVERIFY(!s.screens.firstfrm->isVisible());
    QVERIFY(toFloor2->isEnabled());
    QVERIFY(toFloor4->isEnabled());
    QCOMPARE(s.screens.firstfrm->cursor().shape(), Qt::ArrowCursor);
}

void FloorStationTest::navigation_stationEndingInsideTheWait_showsNothingAndResetsTheCursor()
{
    SimStation& s = *station_;
    s.screens.firstfrm->show();
    auto* toFloor2 = s.screens.firstfrm->findChild<ClickLabel*>("Label26");
    {
        const EndOnceTheBusHearsAFrame end(s);
        click(toFloor2);
    }

    QVERIFY(s.link.Ended());
    QVERIFY(s.screens.firstfrm->isVisible());
    QVERIFY(!s.screens.Secondfrm->isVisible());
    QCOMPARE(s.screens.firstfrm->cursor().shape(), Qt::ArrowCursor);
    QTest::qWait(100);
    QCOMPARE(s.StatusRequests(), (QList<int>{6}));
}

void FloorStationTest::readCurrentState_onFloor5_requests18To21()
{
    SimStation& s = *station_;
    s.SetStates(20, 0x81);
    s.screens.Fivefrm->show();
    QAction* item = s.screens.Fivefrm->findChild<QMenu*>("PopupMenu1")->actions().first();
    bool busyMeanwhile = false;
    QTimer::singleShot(
        0, [&] { busyMeanwhile = s.screens.Fivefrm->cursor().shape() == Qt::BusyCursor; });
    QElapsedTimer clock;
    clock.start();
    item->trigger();
    QVERIFY(clock.elapsed() > 6000);
    QVERIFY(busyMeanwhile);
    QCOMPARE(s.screens.Fivefrm->cursor().shape(), Qt::ArrowCursor);
    QTRY_COMPARE_WITH_TIMEOUT(s.StatusRequests(), (QList<int>{18, 19, 20, 21}), 3000);
    QCOMPARE(colourOf(s.screens.Fivefrm, "R201"), Red);
    QCOMPARE(colourOf(s.screens.Fivefrm, "R208"), Red);
    QCOMPARE(colourOf(s.screens.Fivefrm, "R202"), Lime);
    QVERIFY(s.screens.Fivefrm->isVisible());
}

QTEST_MAIN(FloorStationTest)
#include "tst_floorstation.moc"
