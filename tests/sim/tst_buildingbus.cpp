#include "StationPort.h"
#include "sim/BuildingBus.h"
#include "support/FrameBytes.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>

namespace L = ControllerFrameLayout;

namespace {

constexpr int Timeout = 5000;

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
        bus.OpenPseudoTerminal();
        station = std::make_unique<StationPort>(bus.DevicePath());
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
        config.boards.SetStates(1, 0x15);
        config.boards.SetStates(21, 0x41);
        Line line(config);
        QVERIFY(line.station->IsOpen());
        QVERIFY(line.station->Write(BuildStatusRequest(1)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 26, Timeout);
        QCOMPARE(
            line.station->Received().toHex(' '),
            QByteArray::fromHex("AA0109" + QByteArray(32, '0') + "15" + QByteArray(10, '0') + "C9")
                .toHex(' '));
        line.station->Clear();
        QVERIFY(line.station->Write(BuildStatusRequest(21)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 26, Timeout);
        QCOMPARE(line.station->Received().toHex(' '), StatusReplyBytes(21, 0x41).toHex(' '));
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
        QVERIFY(line.station->Write(
            BuildSwitchCommand(std::uint8_t(address), std::uint8_t(select), std::uint8_t(state))));
        QVERIFY(line.station->Write(BuildStatusRequest(std::uint8_t(address))));
        // The only bytes back are the status reply: a switch command is not answered.
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.Counters().repliesSent, std::uint64_t(1), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(),
                                  StatusReplyBytes(std::uint8_t(address), std::uint8_t(expected)),
                                  Timeout);
        QCOMPARE(int(line.bus.Boards().States(address)), expected);
        QCOMPARE(line.bus.Counters().switchCommands, std::uint64_t(1));
    }

    // Frames no board answers are followed by one that is; only that one's reply may come back.
    void framesNoBoardAnswers_bringNothingBack()
    {
        Line line;
        QVERIFY(line.station->Write(BuildStatusRequest(0)));
        QVERIFY(line.station->Write(BuildStatusRequest(22)));
        QVERIFY(line.station->Write(BuildStatusRequest(255)));
        QVERIFY(line.station->Write(BuildSwitchCommand(3, 1, 1)));
        QVERIFY(line.station->Write(BuildStatusRequest(4)));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.Counters().repliesSent, std::uint64_t(1), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(), StatusReplyBytes(4, 0), Timeout);
        QCOMPARE(line.bus.Counters().framesReceived, std::uint64_t(5));
        QCOMPARE(line.bus.Counters().statusRequests, std::uint64_t(1));
    }

    void garbageAndDamagedFrames_areSkipped_andTheFrameBehindIsAnswered()
    {
        Line line;
        QByteArray damaged = FrameBytes(BuildStatusRequest(6));
        damaged[25] = char(damaged[25] ^ 0x40);
        const QByteArray garbage = QByteArray::fromHex("0013AA05FF");
        QVERIFY(line.station->Write(garbage + damaged + FrameBytes(BuildStatusRequest(7))));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(), StatusReplyBytes(7, 0), Timeout);
        QCOMPARE(line.bus.Counters().framesReceived, std::uint64_t(1));
        QCOMPARE(line.bus.Counters().bytesSkipped, std::uint64_t(garbage.size() + damaged.size()));
    }

    void eachFrame_isSignalledWithItsBytesAndTime()
    {
        Line line;
        QSignalSpy received(&line.bus, &BuildingBus::frameReceived);
        QSignalSpy sent(&line.bus, &BuildingBus::bytesSent);
        QVERIFY(line.station->Write(BuildSwitchCommand(2, 4, 4)));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, Timeout);
        QTest::qWait(50);
        QVERIFY(line.station->Write(BuildStatusRequest(2)));
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, Timeout);
        QCOMPARE(received.size(), 2);
        QCOMPARE(received[0][0].toByteArray(), FrameBytes(BuildSwitchCommand(2, 4, 4)));
        QCOMPARE(received[1][0].toByteArray(), FrameBytes(BuildStatusRequest(2)));
        QCOMPARE(sent[0][0].toByteArray(), StatusReplyBytes(2, 0x04));
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
        QVERIFY(line.station->Write(BuildStatusRequest(11)));
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, Timeout);
        QVERIFY(sent[0][1].toLongLong() - received[0][1].toLongLong() >= 200);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(), StatusReplyBytes(11, 0), Timeout);
    }

    // With echo left on, every reply would come back to the bus as a request of its own.
    void repliesAreNotHeardByTheBoards()
    {
        Line line;
        QVERIFY(line.station->Write(BuildStatusRequest(5)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 26, Timeout);
        QVERIFY(line.station->Write(BuildStatusRequest(6)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 52, Timeout);
        QCOMPARE(line.station->Received(), StatusReplyBytes(5, 0) + StatusReplyBytes(6, 0));
        QCOMPARE(line.bus.Counters().framesReceived, std::uint64_t(2));
    }

    void slaveSide_startsRaw()
    {
        BuildingBus bus(plainConfig());
        bus.OpenPseudoTerminal();
        const int fd = ::open(bus.DevicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
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
        bus.OpenPseudoTerminal();
        QSignalSpy failed(&bus, &BuildingBus::failed);
        for (int round = 1; round <= 3; ++round) {
            StationPort station(bus.DevicePath());
            QVERIFY(station.IsOpen());
            QVERIFY(station.Write(BuildStatusRequest(std::uint8_t(round))));
            QTRY_COMPARE_WITH_TIMEOUT(station.Received(), StatusReplyBytes(std::uint8_t(round), 0),
                                      Timeout);
        }
        QTest::qWait(100);
        QVERIFY(bus.IsOpen());
        QCOMPARE(failed.size(), 0);
        StationPort station(bus.DevicePath());
        QVERIFY(station.Write(BuildStatusRequest(20)));
        QTRY_COMPARE_WITH_TIMEOUT(station.Received(), StatusReplyBytes(20, 0), Timeout);
    }

    void silentBoard_neverAnswers()
    {
        BusConfig config = plainConfig();
        config.boards.SetSilent(13, true);
        Line line(config);
        QVERIFY(line.station->Write(BuildStatusRequest(13)));
        QVERIFY(line.station->Write(BuildStatusRequest(12)));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.Counters().repliesSent, std::uint64_t(1), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(), StatusReplyBytes(12, 0), Timeout);
        QCOMPARE(line.bus.Counters().statusRequests, std::uint64_t(2));
    }

    void stuckRelays_doNotFollow()
    {
        BusConfig config = plainConfig();
        config.boards.SetStates(18, 0x01);
        config.boards.SetStuck(18, 0x81);
        Line line(config);
        QVERIFY(line.station->Write(BuildSwitchCommand(18, 0x01, 0x00)));
        QVERIFY(line.station->Write(BuildSwitchCommand(18, 0x80, 0x80)));
        QVERIFY(line.station->Write(BuildSwitchCommand(18, 0x02, 0x02)));
        QVERIFY(line.station->Write(BuildStatusRequest(18)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(), StatusReplyBytes(18, 0x03), Timeout);
    }

    void splitReply_arrivesInTwoReadsWithTheGap()
    {
        BusConfig config = plainConfig();
        config.faults.splitAfterBytes = 12;
        config.faults.splitGapMs = 400;
        Line line(config);
        QSignalSpy sent(&line.bus, &BuildingBus::bytesSent);
        QVERIFY(line.station->Write(BuildStatusRequest(15)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 26, Timeout);
        QCOMPARE(line.station->Received(), StatusReplyBytes(15, 0));
        QCOMPARE(line.station->Chunks().size(), 2);
        QCOMPARE(line.station->Chunks()[0].bytes.size(), 12);
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent[1][1].toLongLong() - sent[0][1].toLongLong() >= 400);
    }

    void corruptedReply_hasItsChecksumSpoilt()
    {
        BusConfig config = plainConfig();
        config.boards.SetStates(16, 0x5A);
        config.faults.corruptEvery = 2;
        Line line(config);
        QVERIFY(line.station->Write(BuildStatusRequest(16)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 26, Timeout);
        QVERIFY(line.station->Write(BuildStatusRequest(16)));
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(), 52, Timeout);
        const QByteArray good = StatusReplyBytes(16, 0x5A);
        QByteArray spoilt = good;
        spoilt[25] = char(~good[25]);
        QCOMPARE(line.station->Received().toHex(' '), (good + spoilt).toHex(' '));
        QCOMPARE(line.bus.Counters().repliesCorrupted, std::uint64_t(1));
    }

    void droppedReply_neverArrives()
    {
        BusConfig config = plainConfig();
        config.faults.dropEvery = 2;
        Line line(config);
        QSignalSpy dropped(&line.bus, &BuildingBus::replyDropped);
        for (const std::uint8_t address : {3, 8, 19})
            QVERIFY(line.station->Write(BuildStatusRequest(address)));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.Counters().repliesSent, std::uint64_t(2), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(),
                                  StatusReplyBytes(3, 0) + StatusReplyBytes(19, 0), Timeout);
        QCOMPARE(line.bus.Counters().repliesDropped, std::uint64_t(1));
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped[0][0].toByteArray(), StatusReplyBytes(8, 0));
    }

    void injectedBytes_reachTheStationUntouched()
    {
        Line line;
        const QByteArray odd = QByteArray::fromHex("AA1613") + QByteArray(23, '\x7F');
        line.bus.InjectBytes(odd);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received(), odd, Timeout);
        QCOMPARE(line.bus.Counters().repliesSent, std::uint64_t(0));
    }

    void floodOfRequests_isBounded()
    {
        BusConfig config = plainConfig();
        // Long enough for the whole flood to be read before the first reply is due.
        config.faults.replyDelayMs = 1000;
        Line line(config);
        QByteArray flood;
        for (int i = 0; i < 100; ++i)
            flood += FrameBytes(BuildStatusRequest(1));
        QVERIFY(line.station->Write(flood));
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.Counters().framesReceived, std::uint64_t(100), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(line.bus.Counters().repliesSent,
                                  std::uint64_t(BuildingBus::MaxPendingPieces), Timeout);
        QCOMPARE(line.bus.Counters().bytesLost, (100 - BuildingBus::MaxPendingPieces) * 26);
        QTRY_COMPARE_WITH_TIMEOUT(line.station->Received().size(),
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
        bus.OpenDevice(slave);
        QCOMPARE(bus.DevicePath(), slave);
        const QByteArray request = FrameBytes(BuildStatusRequest(10));
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
        QCOMPARE(reply, StatusReplyBytes(10, 0));
        ::close(master);
    }

    void devicesThatAreNoTerminal_areRefused()
    {
        BuildingBus bus(plainConfig());
        QVERIFY_THROWS_EXCEPTION(BusError, bus.OpenDevice(QStringLiteral("/dev/null")));
        QVERIFY_THROWS_EXCEPTION(BusError, bus.OpenDevice(QStringLiteral("/nonexistent/tty")));
        QVERIFY(!bus.IsOpen());
        QVERIFY(bus.DevicePath().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBuildingBus)
#include "tst_buildingbus.moc"
