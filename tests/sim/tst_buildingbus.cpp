#include "StationPort.h"
#include "sim/BuildingBus.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>

namespace L = ControllerFrameLayout;

namespace {

constexpr int Timeout = 5000;

QByteArray bytesOf(const ControllerFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
}

QByteArray replyOf(int address, std::uint8_t states)
{
    return bytesOf(RelayBoards::buildStatusReply(std::uint8_t(address), states));
}

BusConfig plainConfig()
{
    BusConfig config;
    config.faults.replyDelayMs = 1;
    return config;
}

// A bus on a fresh pseudo-terminal, and the station's end of it.
struct Line
{
    explicit Line(const BusConfig& config = plainConfig()) : bus(config)
    {
        bus.openPseudoTerminal();
        station = std::make_unique<StationPort>(bus.devicePath());
    }
    BuildingBus bus;
    std::unique_ptr<StationPort> station;
};

} // namespace

class TestBuildingBus : public QObject
{
    Q_OBJECT
private slots:
    void statusRequests_getTheirReplyByteForByte()
    {
        BusConfig config = plainConfig();
        config.boards.setStates(1, 0x15);
        config.boards.setStates(21, 0x41);
        Line line(config);
        QVERIFY(line.station->isOpen());
        QVERIFY(line.station->write(BuildStatusRequest(1)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 26, Timeout);
        QCOMPARE(
            line.station->received().toHex(' '),
            QByteArray::fromHex("AA0109" + QByteArray(32, '0') + "15" + QByteArray(10, '0') + "C9")
                .toHex(' '));
        line.station->clear();
        QVERIFY(line.station->write(BuildStatusRequest(21)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 26, Timeout);
        QCOMPARE(line.station->received().toHex(' '), replyOf(21, 0x41).toHex(' '));
    }

    void switchCommands_changeTheBoard_andTheNextReplyShowsIt_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("select");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("expected");
        QTest::newRow("five relays, fifth on") << 1 << 0x10 << 0x10 << 0x10;
        QTest::newRow("seven relays, seventh on") << 9 << 0x40 << 0x40 << 0x40;
        QTest::newRow("seven relays, eighth is none") << 9 << 0x80 << 0x80 << 0x00;
        QTest::newRow("eight relays, eighth on") << 2 << 0x80 << 0x80 << 0x80;
    }
    void switchCommands_changeTheBoard_andTheNextReplyShowsIt()
    {
        QFETCH(int, address);
        QFETCH(int, select);
        QFETCH(int, state);
        QFETCH(int, expected);
        Line line;
        QVERIFY(line.station->write(
            BuildSwitchCommand(std::uint8_t(address), std::uint8_t(select), std::uint8_t(state))));
        QVERIFY(line.station->write(BuildStatusRequest(std::uint8_t(address))));
        // The only bytes back are the status reply: a switch command is not answered.
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.counters().repliesSent, std::uint64_t(1), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(),
                                  replyOf(address, std::uint8_t(expected)), Timeout);
        QCOMPARE(int(line.bus.boards().states(address)), expected);
        QCOMPARE(line.bus.counters().switchCommands, std::uint64_t(1));
    }

    // Frames no board answers are followed by one that is; only that one's reply may come back.
    void framesNoBoardAnswers_bringNothingBack()
    {
        Line line;
        QVERIFY(line.station->write(BuildStatusRequest(0)));
        QVERIFY(line.station->write(BuildStatusRequest(22)));
        QVERIFY(line.station->write(BuildStatusRequest(255)));
        QVERIFY(line.station->write(BuildSwitchCommand(3, 1, 1)));
        QVERIFY(line.station->write(BuildStatusRequest(4)));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.counters().repliesSent, std::uint64_t(1), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), replyOf(4, 0), Timeout);
        QCOMPARE(line.bus.counters().framesReceived, std::uint64_t(5));
        QCOMPARE(line.bus.counters().statusRequests, std::uint64_t(1));
    }

    void garbageAndDamagedFrames_areSkipped_andTheFrameBehindIsAnswered()
    {
        Line line;
        QByteArray damaged = bytesOf(BuildStatusRequest(6));
        damaged[25] = char(damaged[25] ^ 0x40);
        const QByteArray garbage = QByteArray::fromHex("0013AA05FF");
        QVERIFY(line.station->write(garbage + damaged + bytesOf(BuildStatusRequest(7))));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), replyOf(7, 0), Timeout);
        QCOMPARE(line.bus.counters().framesReceived, std::uint64_t(1));
        QCOMPARE(line.bus.counters().bytesSkipped, std::uint64_t(garbage.size() + damaged.size()));
    }

    void eachFrame_isSignalledWithItsBytesAndTime()
    {
        Line line;
        QSignalSpy received(&line.bus, &BuildingBus::frameReceived);
        QSignalSpy sent(&line.bus, &BuildingBus::bytesSent);
        QVERIFY(line.station->write(BuildSwitchCommand(2, 4, 4)));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, Timeout);
        QTest::qWait(50);
        QVERIFY(line.station->write(BuildStatusRequest(2)));
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, Timeout);
        QCOMPARE(received.size(), 2);
        QCOMPARE(received[0][0].toByteArray(), bytesOf(BuildSwitchCommand(2, 4, 4)));
        QCOMPARE(received[1][0].toByteArray(), bytesOf(BuildStatusRequest(2)));
        QCOMPARE(sent[0][0].toByteArray(), replyOf(2, 0x04));
        const qint64 switchAt = received[0][1].toLongLong();
        const qint64 requestAt = received[1][1].toLongLong();
        QVERIFY2(requestAt - switchAt >= 50, qPrintable(QString::number(requestAt - switchAt)));
        QVERIFY(sent[0][1].toLongLong() >= requestAt);
    }

    void replyDelay_holdsTheReplyBack()
    {
        BusConfig config = plainConfig();
        config.faults.replyDelayMs = 200;
        Line line(config);
        QSignalSpy received(&line.bus, &BuildingBus::frameReceived);
        QSignalSpy sent(&line.bus, &BuildingBus::bytesSent);
        QVERIFY(line.station->write(BuildStatusRequest(11)));
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, Timeout);
        QVERIFY(sent[0][1].toLongLong() - received[0][1].toLongLong() >= 200);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), replyOf(11, 0), Timeout);
    }

    // With echo left on, every reply would come back to the bus as a request of its own.
    void repliesAreNotHeardByTheBoards()
    {
        Line line;
        QVERIFY(line.station->write(BuildStatusRequest(5)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 26, Timeout);
        QVERIFY(line.station->write(BuildStatusRequest(6)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 52, Timeout);
        QCOMPARE(line.station->received(), replyOf(5, 0) + replyOf(6, 0));
        QCOMPARE(line.bus.counters().framesReceived, std::uint64_t(2));
    }

    void slaveSide_startsRaw()
    {
        BuildingBus bus(plainConfig());
        bus.openPseudoTerminal();
        const int fd = ::open(bus.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        termios settings{};
        QCOMPARE(::tcgetattr(fd, &settings), 0);
        ::close(fd);
        QCOMPARE(settings.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(settings.c_iflag & (ICRNL | IXON | ISTRIP), tcflag_t(0));
        QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
        QCOMPARE(cfgetospeed(&settings), speed_t(B9600));
    }

    void stationClosingAndReopening_keepsTheBusServing()
    {
        BuildingBus bus(plainConfig());
        bus.openPseudoTerminal();
        QSignalSpy failed(&bus, &BuildingBus::failed);
        for (int round = 1; round <= 3; ++round) {
            StationPort station(bus.devicePath());
            QVERIFY(station.isOpen());
            QVERIFY(station.write(BuildStatusRequest(std::uint8_t(round))));
            QTRY_COMPARE_WITH_TIMEOUT(station.received(), replyOf(round, 0), Timeout);
        }
        QTest::qWait(100);
        QVERIFY(bus.isOpen());
        QCOMPARE(failed.size(), 0);
        StationPort station(bus.devicePath());
        QVERIFY(station.write(BuildStatusRequest(20)));
        QTRY_COMPARE_WITH_TIMEOUT(station.received(), replyOf(20, 0), Timeout);
    }

    void silentBoard_neverAnswers()
    {
        BusConfig config = plainConfig();
        config.boards.setSilent(13, true);
        Line line(config);
        QVERIFY(line.station->write(BuildStatusRequest(13)));
        QVERIFY(line.station->write(BuildStatusRequest(12)));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.counters().repliesSent, std::uint64_t(1), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), replyOf(12, 0), Timeout);
        QCOMPARE(line.bus.counters().statusRequests, std::uint64_t(2));
    }

    void stuckRelays_doNotFollow()
    {
        BusConfig config = plainConfig();
        config.boards.setStates(18, 0x01);
        config.boards.setStuck(18, 0x81);
        Line line(config);
        QVERIFY(line.station->write(BuildSwitchCommand(18, 0x01, 0x00)));
        QVERIFY(line.station->write(BuildSwitchCommand(18, 0x80, 0x80)));
        QVERIFY(line.station->write(BuildSwitchCommand(18, 0x02, 0x02)));
        QVERIFY(line.station->write(BuildStatusRequest(18)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), replyOf(18, 0x03), Timeout);
    }

    void splitReply_arrivesInTwoReadsWithTheGap()
    {
        BusConfig config = plainConfig();
        config.faults.splitAfterBytes = 12;
        config.faults.splitGapMs = 400;
        Line line(config);
        QSignalSpy sent(&line.bus, &BuildingBus::bytesSent);
        QVERIFY(line.station->write(BuildStatusRequest(15)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 26, Timeout);
        QCOMPARE(line.station->received(), replyOf(15, 0));
        QCOMPARE(line.station->chunks().size(), 2);
        QCOMPARE(line.station->chunks()[0].bytes.size(), 12);
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent[1][1].toLongLong() - sent[0][1].toLongLong() >= 400);
    }

    void corruptedReply_hasItsChecksumSpoilt()
    {
        BusConfig config = plainConfig();
        config.boards.setStates(16, 0x5A);
        config.faults.corruptEvery = 2;
        Line line(config);
        QVERIFY(line.station->write(BuildStatusRequest(16)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 26, Timeout);
        QVERIFY(line.station->write(BuildStatusRequest(16)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(), 52, Timeout);
        const QByteArray good = replyOf(16, 0x5A);
        QByteArray spoilt = good;
        spoilt[25] = char(~good[25]);
        QCOMPARE(line.station->received().toHex(' '), (good + spoilt).toHex(' '));
        QCOMPARE(line.bus.counters().repliesCorrupted, std::uint64_t(1));
    }

    void droppedReply_neverArrives()
    {
        BusConfig config = plainConfig();
        config.faults.dropEvery = 2;
        Line line(config);
        QSignalSpy dropped(&line.bus, &BuildingBus::replyDropped);
        for (const std::uint8_t address : {3, 8, 19})
            QVERIFY(line.station->write(BuildStatusRequest(address)));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.counters().repliesSent, std::uint64_t(2), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), replyOf(3, 0) + replyOf(19, 0),
                                  Timeout);
        QCOMPARE(line.bus.counters().repliesDropped, std::uint64_t(1));
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped[0][0].toByteArray(), replyOf(8, 0));
    }

    void injectedBytes_reachTheStationUntouched()
    {
        Line line;
        const QByteArray odd = QByteArray::fromHex("AA1613") + QByteArray(23, '\x7F');
        line.bus.injectBytes(odd);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received(), odd, Timeout);
        QCOMPARE(line.bus.counters().repliesSent, std::uint64_t(0));
    }

    void floodOfRequests_isBounded()
    {
        BusConfig config = plainConfig();
        // Long enough for the whole flood to be read before the first reply is due.
        config.faults.replyDelayMs = 1000;
        Line line(config);
        QByteArray flood;
        for (int i = 0; i < 100; ++i)
            flood += bytesOf(BuildStatusRequest(1));
        QVERIFY(line.station->write(flood));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.counters().framesReceived, std::uint64_t(100), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.counters().repliesSent,
                                  std::uint64_t(BuildingBus::MaxPendingPieces), Timeout);
        QCOMPARE(line.bus.counters().bytesLost, (100 - BuildingBus::MaxPendingPieces) * 26);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->received().size(),
                                  qsizetype(BuildingBus::MaxPendingPieces * 26), Timeout);
    }

    void realTerminal_isServedLikeThePseudoTerminal()
    {
        // A pseudo-terminal's slave stands in for a serial adapter; the test holds the master.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master >= 0);
        QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString slave = QString::fromLocal8Bit(::ptsname(master));
        BuildingBus bus(plainConfig());
        bus.openDevice(slave);
        QCOMPARE(bus.devicePath(), slave);
        const QByteArray request = bytesOf(BuildStatusRequest(10));
        QCOMPARE(::write(master, request.constData(), 26), ssize_t(26));
        QByteArray reply;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                char buffer[64];
                const ssize_t count = ::read(master, buffer, sizeof buffer);
                if (count > 0)
                    reply.append(buffer, int(count));
                return reply.size() >= 26;
            }(),
            Timeout);
        QCOMPARE(reply, replyOf(10, 0));
        ::close(master);
    }

    void devicesThatAreNoTerminal_areRefused()
    {
        BuildingBus bus(plainConfig());
        QVERIFY_THROWS_EXCEPTION(BusError, bus.openDevice(QStringLiteral("/dev/null")));
        QVERIFY_THROWS_EXCEPTION(BusError, bus.openDevice(QStringLiteral("/nonexistent/tty")));
        QVERIFY(!bus.isOpen());
        QVERIFY(bus.devicePath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBuildingBus)
#include "tst_buildingbus.moc"
