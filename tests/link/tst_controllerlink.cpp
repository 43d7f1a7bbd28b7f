#include "link/ControllerLink.h"
#include "support/FrameBytes.h"

#include <QElapsedTimer>
#include <QTest>

#include <thread>

#include "link/TickCount.h"
#include "serial/TMSComm.h"
#include "support/BusOnThread.h"
#include "support/ControllerLinkTestAccess.h"
#include "support/PtyPair.h"
#include "support/TMSCommTestAccess.h"

namespace {

constexpr std::uint32_t Red = 0x000000FF;
constexpr std::uint32_t Lime = 0x0000FF00;
constexpr std::uint32_t Unpainted = 0xDEADBEEF;

struct FakeShape : IndicatorShape
{
    std::uint32_t color = Unpainted;
    void SetBrushColor(std::uint32_t c) override { color = c; }
};

// The link on COM1, wired to the simulated bus, with fake shapes for boards 1 (five relays),
// 9 (seven) and 12 (eight).
// The link on COM2, a pseudo-terminal whose far end the test reads and writes itself.
struct PtyRig
{
    PtyRig()
    {
        qputenv("QUELVANE_COM2", pty.SlavePath().toLocal8Bit());
        link.PrepareComm();
    }

    PtyPair pty;
    TMSComm comm;
    IndicatorLookup indicators;
    ControllerLink link{comm, indicators};
};

struct Rig
{
    explicit Rig(const BusConfig& config = {}) : bus(config)
    {
        qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
        comm.OnComm = [this](QObject* sender) { link.Comm1Comm(sender); };
        link.ShowWriteError = [this](const QString& message) { errors << message; };
        link.PrepareComm();
        registerShapes(1, board1, 5);
        registerShapes(9, board9, 7);
        registerShapes(12, board12, 8);
    }
    ~Rig() { link.ClosePort(); }

    void registerShapes(int address, std::array<FakeShape, 8>& shapes, std::size_t count)
    {
        std::vector<IndicatorShape*> list;
        for (std::size_t i = 0; i < count; ++i)
            list.push_back(&shapes[i]);
        indicators.Register(address, list);
    }

    void open() { QVERIFY(link.OpenPort(1, 9600)); }

    // The bus hears frames on its own thread; the recorder takes them through this loop.
    bool waitForFrames(int count, int ms = 3000)
    {
        QElapsedTimer t;
        t.start();
        while (bus.Frames().size() < count && t.elapsed() < ms)
            QTest::qWait(5);
        return bus.Frames().size() >= count;
    }

    BusOnThread bus;
    TMSComm comm;
    IndicatorLookup indicators;
    ControllerLink link{comm, indicators};
    std::array<FakeShape, 8> board1, board9, board12;
    QStringList errors;
};

} // namespace

class TestControllerLink : public QObject
{
    Q_OBJECT
private slots:
    void closedPortSendsNothingAndSaysNothing()
    {
        Rig rig;
        QVERIFY(!rig.link.PortReady());
        rig.link.RequestStatus(1);
        QTest::qWait(100);
        QVERIFY(rig.bus.Frames().isEmpty());
        QVERIFY(rig.errors.isEmpty());
    }

    void preparationLeavesThePortClosedWithTheLineSettings()
    {
        Rig rig;
        QCOMPARE(rig.comm.CommPort(), short(1));
        QCOMPARE(rig.comm.Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(rig.comm.RThreshold(), short(1));
        QCOMPARE(rig.comm.InputMode(), 1);
        QVERIFY(!rig.comm.PortOpen());
    }

    void openPortRules()
    {
        Rig rig;
        QVERIFY(!rig.link.OpenPort(0, 9600));
        QVERIFY(!rig.comm.PortOpen());
        rig.open();
        QVERIFY(rig.link.PortReady());
        QVERIFY(!rig.link.OpenPort(0, 9600));
        QVERIFY(rig.comm.PortOpen()); // port 0 leaves an open port open

        qputenv("QUELVANE_COM2", "/dev/quelvane-no-such-port");
        QVERIFY(!rig.link.OpenPort(2, 9600));
        QVERIFY(!rig.link.PortReady());
        rig.link.ClosePort();
        QVERIFY(!rig.comm.PortOpen());
        rig.link.ClosePort(); // closing twice is harmless
    }

    void statusRequestGoesOutAndTheReplyColoursTheShapes()
    {
        Rig rig;
        rig.bus.SetStates(12, 0x05);
        rig.open();
        rig.link.RequestStatus(12);
        QVERIFY(rig.waitForFrames(1));
        QCOMPARE(rig.bus.Frames()[0].bytes.toHex(), FrameBytes(BuildStatusRequest(12)).toHex());
        QTRY_COMPARE(rig.board12[0].color, Red);
        QCOMPARE(rig.board12[1].color, Lime);
        QCOMPARE(rig.board12[2].color, Red);
        for (std::size_t i = 3; i < 8; ++i)
            QCOMPARE(rig.board12[i].color, Lime);
        QCOMPARE(rig.board1[0].color, Unpainted);
    }

    void framesSentBackToBackAllArrive()
    {
        Rig rig;
        rig.open();
        for (std::uint8_t address = 1; address <= 21; ++address)
            rig.link.RequestStatus(address);
        QVERIFY(rig.waitForFrames(21));
        QList<int> expected;
        for (int address = 1; address <= 21; ++address)
            expected << address;
        QCOMPARE(rig.bus.StatusRequests(), expected);
    }

    void blocksLongerThan128BytesAreNotSent()
    {
        Rig rig;
        rig.open();
        std::array<std::uint8_t, 129> block{};
        rig.link.SendFrame(block.data(), 129);
        const ControllerFrame request = BuildStatusRequest(1);
        rig.link.SendFrame(request.data(), 26);
        QVERIFY(rig.waitForFrames(1));
        QTest::qWait(50);
        QCOMPARE(rig.bus.Frames().size(), 1);
        QCOMPARE(rig.bus.Frames()[0].bytes, FrameBytes(request));
    }

    void dispatchRules_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<int>("address");
        QTest::addColumn<QList<bool>>("red");

        QByteArray noHeader = StatusReplyBytes(12, 0x05);
        noHeader[0] = 0x00;
        noHeader[25] = char(0x42);
        QTest::newRow("wrong header and checksum applied")
            << noHeader << 12 << QList<bool>{true, false, true, false, false, false, false, false};
        QTest::newRow("controller 1 all bits")
            << StatusReplyBytes(1, 0xFF) << 1 << QList<bool>{true, true, true, true, true};
        QTest::newRow("bit 128 on a seven-relay board")
            << StatusReplyBytes(9, 0x80) << 9
            << QList<bool>{false, false, false, false, false, false, false};
        QTest::newRow("short block keeping the status byte")
            << StatusReplyBytes(1, 0x11).left(20) << 1
            << QList<bool>{true, false, false, false, true};
    }
    void dispatchRules()
    {
        QFETCH(QByteArray, block);
        QFETCH(int, address);
        QFETCH(QList<bool>, red);
        Rig rig;
        rig.link.DispatchReply(reinterpret_cast<const std::uint8_t*>(block.constData()),
                               std::uint16_t(block.size()));
        auto& shapes = address == 1 ? rig.board1 : address == 9 ? rig.board9 : rig.board12;
        for (int i = 0; i < red.size(); ++i)
            QCOMPARE(shapes[std::size_t(i)].color, red[i] ? Red : Lime);
    }

    void ignoredBlocksChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("block");
        QByteArray switchEcho = StatusReplyBytes(12, 0x05);
        switchEcho[2] = char(SwitchCommand);
        QTest::newRow("command 0x13") << switchEcho;
        QTest::newRow("address 22") << StatusReplyBytes(22, 0xFF);
        QTest::newRow("address 0") << StatusReplyBytes(0, 0xFF);
        QTest::newRow("no status byte") << StatusReplyBytes(12, 0x05).left(19);
        QTest::newRow("empty") << QByteArray();
    }
    void ignoredBlocksChangeNothing()
    {
        QFETCH(QByteArray, block);
        Rig rig;
        rig.link.DispatchReply(reinterpret_cast<const std::uint8_t*>(block.constData()),
                               std::uint16_t(block.size()));
        for (auto* board : {&rig.board1, &rig.board9, &rig.board12})
            for (const auto& shape : *board)
                QCOMPARE(shape.color, Unpainted);
    }

    void dispatchReadsAtMostItsWorkingFrame()
    {
        Rig rig;
        // A long block: only its first bytes are looked at, nothing past them is read.
        QByteArray block = StatusReplyBytes(1, 0x02) + QByteArray(4000, char(0xAA));
        rig.link.DispatchReply(reinterpret_cast<const std::uint8_t*>(block.constData()),
                               std::uint16_t(block.size()));
        QCOMPARE(rig.board1[1].color, Red);
        QCOMPARE(rig.board1[0].color, Lime);
    }

    void splitRepliesAreReassembled()
    {
        BusConfig config;
        config.faults.splitAfterBytes = 9;
        config.faults.splitGapMs = 15;
        Rig rig(config);
        rig.bus.SetStates(9, 0x41);
        rig.open();
        rig.link.RequestStatus(9);
        QTRY_COMPARE(rig.board9[0].color, Red);
        QCOMPARE(rig.board9[6].color, Red);
        QCOMPARE(rig.board9[1].color, Lime);
    }

    void twoRepliesInOneBlockAreBothApplied()
    {
        Rig rig;
        rig.open();
        rig.bus.InjectBytes(StatusReplyBytes(1, 0x01) + StatusReplyBytes(12, 0x80));
        QTRY_COMPARE(rig.board12[7].color, Red);
        QCOMPARE(rig.board1[0].color, Red);
    }

    void shortGarbageIsDroppedAndTheNextReplyStillApplies()
    {
        Rig rig;
        rig.open();
        rig.bus.InjectBytes(QByteArray::fromHex("AA0C09"));
        // The burst ends: its remainder is too short to be a reply.
        QTRY_COMPARE(ControllerLinkTestAccess::Assembler(rig.link).DroppedBytes(), std::size_t(3));
        QCOMPARE(ControllerLinkTestAccess::Assembler(rig.link).HeldCount(), std::size_t(0));
        rig.bus.InjectBytes(StatusReplyBytes(12, 0x02));
        QTRY_COMPARE(rig.board12[1].color, Red);
        QCOMPARE(rig.board12[0].color, Lime);
    }

    void bytesFoundAfterTheStationWasKeptFromTheLineJoinTheBurst()
    {
        Rig rig;
        rig.open();
        const QByteArray reply = StatusReplyBytes(12, 0x21);
        rig.bus.InjectBytes(reply.left(9));
        while (ControllerLinkTestAccess::Assembler(rig.link).HeldCount() != 9)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        // The rest comes while this thread is busy elsewhere, long past the burst gap.
        rig.bus.InjectBytes(reply.mid(9));
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * ReplyAssembler::BurstGapMs));
        QTRY_COMPARE(rig.board12[5].color, Red);
        QCOMPARE(rig.board12[0].color, Red);
        QCOMPARE(rig.board12[1].color, Lime);
    }

    void receiveEventsAreIgnoredWhileThePortIsNotReady()
    {
        Rig rig;
        rig.open();
        rig.bus.InjectBytes(StatusReplyBytes(1, 0x1F));
        QTRY_COMPARE(rig.board1[4].color, Red);
        // Opening another port fails: not ready, so the same traffic no longer counts.
        rig.link.DispatchReply(
            reinterpret_cast<const std::uint8_t*>(StatusReplyBytes(1, 0).constData()), 26);
        QCOMPARE(rig.board1[4].color, Lime);
        qputenv("QUELVANE_COM2", "/dev/quelvane-no-such-port");
        QVERIFY(!rig.link.OpenPort(2, 9600));
        rig.comm.SetCommPort(1);
        rig.comm.SetPortOpen(true);
        rig.bus.InjectBytes(StatusReplyBytes(1, 0x1F));
        QTest::qWait(150);
        QCOMPARE(rig.board1[4].color, Lime);
    }

    void framingErrorResetsThePort()
    {
        Rig rig;
        rig.open();
        rig.bus.InjectBytes(StatusReplyBytes(12, 0x01).left(10));
        QTRY_COMPARE(ControllerLinkTestAccess::Assembler(rig.link).HeldCount(), std::size_t(10));
        TMSCommTestAccess::InjectDriverInput(rig.comm, QByteArray::fromHex("FF0041"));
        QTRY_COMPARE(rig.comm.CommEvent(), TMSComm::comEventFrame);
        QVERIFY(rig.comm.PortOpen());
        QVERIFY(rig.link.PortReady());
        QCOMPARE(ControllerLinkTestAccess::Assembler(rig.link).HeldCount(), std::size_t(0));
        // The reopened port works.
        rig.bus.SetStates(12, 0x04);
        rig.link.RequestStatus(12);
        QTRY_COMPARE(rig.board12[2].color, Red);
    }

    void closingOrDiscardingDropsAWaitingPartialReply_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("port closed") << "close";
        QTest::newRow("receive overflow") << "overflow";
        QTest::newRow("framing error") << "framing";
    }
    void closingOrDiscardingDropsAWaitingPartialReply()
    {
        QFETCH(QString, how);
        Rig rig;
        rig.open();
        // 22 bytes that keep the status byte: on their own, applied once the burst ends.
        rig.bus.InjectBytes(StatusReplyBytes(12, 0xFF).left(22));
        QTRY_COMPARE(ControllerLinkTestAccess::Assembler(rig.link).HeldCount(), std::size_t(22));
        if (how == "close")
            rig.link.ClosePort();
        else if (how == "overflow")
            TMSCommTestAccess::InjectDriverInput(
                rig.comm, QByteArray(TMSComm::ReceiveBufferSize + 1, '\x01'));
        else
            TMSCommTestAccess::InjectDriverInput(rig.comm, QByteArray::fromHex("FF0041"));
        QTest::qWait(3 * ReplyAssembler::BurstGapMs);
        QCOMPARE(ControllerLinkTestAccess::Assembler(rig.link).HeldCount(), std::size_t(0));
        for (const auto& shape : rig.board12)
            QCOMPARE(shape.color, Unpainted);
    }

    void overflowEmptiesTheReceiveBuffer()
    {
        Rig rig;
        rig.open();
        TMSCommTestAccess::InjectDriverInput(rig.comm,
                                             QByteArray(TMSComm::ReceiveBufferSize + 100, '\x01'));
        QTRY_COMPARE(rig.comm.CommEvent(), TMSComm::comEventRxOver);
        QTRY_COMPARE(rig.comm.InBufferCount(), short(0));
    }

    void aFullSendBufferIsHandledAndTheLineWorksOnOnceDrained()
    {
        // A far end that reads nothing: the line fills up until the driver refuses bytes.
        PtyRig rig;
        PtyPair& pty = rig.pty;
        TMSComm& comm = rig.comm;
        ControllerLink& link = rig.link;
        QVERIFY(pty.IsOpen());
        comm.OnComm = [&link](QObject* sender) { link.Comm1Comm(sender); };
        QVERIFY(link.OpenPort(2, 9600));
        for (int i = 0; i < 2000 && comm.CommEvent() != TMSComm::comEventTxFull; ++i) {
            link.RequestStatus(1);
            QCoreApplication::processEvents();
        }
        QCOMPARE(comm.CommEvent(), TMSComm::comEventTxFull);
        QVERIFY(link.PortReady());
        while (!pty.ReadMaster(4096, 50).isEmpty()) {
        }
        link.RequestStatus(7);
        QCOMPARE(pty.ReadMaster(26, 1000), FrameBytes(BuildStatusRequest(7)));
        link.ClosePort();
    }

    void vanishedLineReportsOnceAndClosesThePort()
    {
        Rig rig;
        rig.open();
        rig.bus.OnBus([](BuildingBus& b) { b.Close(); });
        QTest::qWait(50);
        rig.link.RequestStatus(1);
        rig.link.RequestStatus(1);
        QCOMPARE(rig.errors, QStringList{"<Error> Failed to write data to port !"});
        QVERIFY(!rig.link.PortReady());
        QVERIFY(!rig.comm.PortOpen());
        rig.link.RequestStatus(1);
        QCOMPARE(rig.errors.size(), 1);
    }

    void pumpWaitReturnsOnlyAfterStrictlyMoreThanTheTimeAsked()
    {
        Rig rig;
        for (const int ms : {0, 0, 0, 0, 0, 1, 1, 1, 2, 5, 300}) {
            QElapsedTimer t;
            t.start();
            const std::uint32_t t0 = TickCount();
            QVERIFY(rig.link.PumpWait(ms));
            QVERIFY2(TickCount() - t0 > std::uint32_t(ms), qPrintable(QString::number(ms)));
            QVERIFY(t.nsecsElapsed() > qint64(ms) * 1000000);
        }
        // Taken as a huge unsigned wait, a negative time would never return.
        QVERIFY(rig.link.PumpWait(-5));
    }

    void sendFrameWaitsForTheLastFrameAndFlushesOnlyWhatIsStuck()
    {
        PtyRig rig;
        PtyPair& pty = rig.pty;
        TMSComm& comm = rig.comm;
        ControllerLink& link = rig.link;
        QVERIFY(pty.IsOpen());
        QVERIFY(link.OpenPort(2, 9600));
        const auto send = [&link](const ControllerFrame& frame) {
            link.SendFrame(frame.data(), std::uint16_t(frame.size()));
        };

        // The frame before is still on its way out and leaves within the limit: kept whole.
        send(BuildStatusRequest(3));
        TMSCommTestAccess::HoldSendQueue(comm, 10, 30);
        QElapsedTimer t;
        t.start();
        send(BuildStatusRequest(4));
        QVERIFY(t.elapsed() >= 30);
        QCOMPARE(pty.ReadMaster(52, 1000),
                 FrameBytes(BuildStatusRequest(3)) + FrameBytes(BuildStatusRequest(4)));

        // Stuck past the limit: after 100 ms what waits is thrown away, so the whole frame goes
        // out; left waiting, the 10 stuck bytes would stop it after 16 of its own.
        TMSCommTestAccess::HoldSendQueue(comm, 10, -1);
        t.restart();
        send(BuildStatusRequest(6));
        QVERIFY(t.elapsed() >= ControllerLink::PreviousFrameDrainMs);
        QCOMPARE(pty.ReadMaster(52, 300), FrameBytes(BuildStatusRequest(6)));

        // On a line that does not move, writing stops once 26 bytes wait.
        std::array<std::uint8_t, 128> block{};
        block.fill(0x55);
        link.SendFrame(block.data(), std::uint16_t(block.size()));
        QCOMPARE(pty.ReadMaster(128, 300), QByteArray(26, '\x55'));
        QVERIFY(link.PortReady());
        link.ClosePort();
    }

    void pumpWaitsNestInnerFirst()
    {
        Rig rig;
        QStringList order;
        QTimer::singleShot(50, [&] {
            order << "inner starts";
            rig.link.PumpWait(400);
            order << "inner ends";
        });
        rig.link.PumpWait(100);
        order << "outer ends";
        QCOMPARE(order, (QStringList{"inner starts", "inner ends", "outer ends"}));
    }

    void theEndCutsEveryWaitShortAndNoPortOpensAfterIt()
    {
        Rig rig;
        rig.open();
        QStringList order;
        QTimer::singleShot(50, [&] {
            QTimer::singleShot(50, [&] { rig.link.End(); });
            order << (rig.link.PumpWait(2000) ? "inner waited" : "inner cut short");
        });
        order << (rig.link.PumpWait(2000) ? "outer waited" : "outer cut short");
        QCOMPARE(order, (QStringList{"inner cut short", "outer cut short"}));
        QVERIFY(!rig.comm.PortOpen());
        QVERIFY(!rig.link.PumpWait(2000));
        QVERIFY(!rig.link.OpenPort(1, 9600));
        QVERIFY(!rig.comm.PortOpen());
    }
};

QTEST_GUILESS_MAIN(TestControllerLink)
#include "tst_controllerlink.moc"
