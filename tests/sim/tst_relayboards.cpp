#include "floors/FloorTable.h"
#include "sim/RelayBoards.h"

#include <QTest>

#include <stdexcept>

namespace {

QByteArray hexOf(const ControllerFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size())).toHex(' ');
}

// Status reply as laid out on the line: header, address, command, 16 zero bytes, the states,
// 5 zero bytes, the checksum.
QByteArray replyHex(const char* address, const char* states, const char* checksum)
{
    return (QByteArray::fromHex(QByteArray("AA") + address + "09") + QByteArray(16, '\0') +
            QByteArray::fromHex(states) + QByteArray(5, '\0') + QByteArray::fromHex(checksum))
        .toHex(' ');
}

// Boards never answer a switch command; true when this one kept quiet too.
bool switchRelay(RelayBoards& boards, int address, std::uint8_t select, std::uint8_t state)
{
    return !boards.Answer(BuildSwitchCommand(std::uint8_t(address), select, state));
}

} // namespace

class TestRelayBoards : public QObject
{
    Q_OBJECT
private slots:
    void relayCounts_followTheBuilding_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("relays");
        QTest::newRow("no board 0") << 0 << 0;
        QTest::newRow("building board") << 1 << 5;
        for (int floor = 1; floor <= 5; ++floor) {
            const int first = 4 * floor - 2;
            for (int address = first; address < first + 3; ++address)
                QTest::addRow("floor %d board %d", floor, address) << address << 8;
            QTest::addRow("floor %d last board %d", floor, first + 3) << first + 3 << 7;
        }
        QTest::newRow("no board 22") << 22 << 0;
        QTest::newRow("no board 255") << 255 << 0;
    }
    void relayCounts_followTheBuilding()
    {
        QFETCH(int, address);
        QFETCH(int, relays);
        QCOMPARE(RelayBoards::RelayCount(address), relays);
        QCOMPARE(RelayBoards::IsBoard(address), relays > 0);
        QCOMPARE(int(RelayBoards::RelayBits(address)), (1 << relays) - 1);
    }

    // A board switches exactly the relays the station shows for it, nothing the screens lack.
    void relayCounts_areTheStationsFloorTable()
    {
        for (int address = FirstControllerAddress; address <= LastControllerAddress; ++address) {
            const std::optional<ControllerPlace> place = PlaceOfAddress(address);
            QVERIFY(place);
            QCOMPARE(RelayBoards::RelayCount(address), place->relays);
            RelayBoards boards;
            QVERIFY(switchRelay(boards, address, 0xFF, 0xFF));
            QCOMPARE(int(boards.States(address)), (1 << place->relays) - 1);
        }
    }

    void statusReply_isLaidOutByteForByte()
    {
        RelayBoards boards;
        boards.SetStates(1, 0x15);
        boards.SetStates(21, 0x7F);
        const auto first = boards.Answer(BuildStatusRequest(1));
        const auto last = boards.Answer(BuildStatusRequest(21));
        QVERIFY(first && last);
        QCOMPARE(hexOf(*first), replyHex("01", "15", "C9"));
        QCOMPARE(hexOf(*last), replyHex("15", "7F", "47"));
    }

    void initialStates_keepOnlyTheBoardsRelays()
    {
        RelayBoards boards;
        boards.SetAllStates(0xFF);
        QCOMPARE(boards.States(1), std::uint8_t(0x1F));
        QCOMPARE(boards.States(2), std::uint8_t(0xFF));
        QCOMPARE(boards.States(13), std::uint8_t(0x7F));
        boards.SetStates(9, 0x80);
        QCOMPARE(boards.States(9), std::uint8_t(0));
    }

    void switchCommand_changesOnlyTheSelectedRelay_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("select");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("after");
        QTest::newRow("board 1, third on") << 1 << 0x01 << 0x04 << 0x04 << 0x05;
        QTest::newRow("board 1, first off") << 1 << 0x1F << 0x01 << 0x00 << 0x1E;
        QTest::newRow("board 1, sixth relay is none") << 1 << 0x00 << 0x20 << 0x20 << 0x00;
        QTest::newRow("board 1, eighth relay is none") << 1 << 0x03 << 0x80 << 0x80 << 0x03;
        QTest::newRow("board 9, seventh on") << 9 << 0x00 << 0x40 << 0x40 << 0x40;
        QTest::newRow("board 9, eighth relay is none") << 9 << 0x01 << 0x80 << 0x80 << 0x01;
        QTest::newRow("board 2, eighth on") << 2 << 0x00 << 0x80 << 0x80 << 0x80;
        QTest::newRow("board 2, eighth off") << 2 << 0xFF << 0x80 << 0x00 << 0x7F;
        QTest::newRow("board 2, state bit outside selection") << 2 << 0x00 << 0x04 << 0x0C << 0x04;
        QTest::newRow("board 2, already on") << 2 << 0x04 << 0x04 << 0x04 << 0x04;
    }
    void switchCommand_changesOnlyTheSelectedRelay()
    {
        QFETCH(int, address);
        QFETCH(int, before);
        QFETCH(int, select);
        QFETCH(int, state);
        QFETCH(int, after);
        RelayBoards boards;
        boards.SetStates(address, std::uint8_t(before));
        QVERIFY(switchRelay(boards, address, std::uint8_t(select), std::uint8_t(state)));
        QCOMPARE(int(boards.States(address)), after);
        const auto reply = boards.Answer(BuildStatusRequest(std::uint8_t(address)));
        QVERIFY(reply);
        QCOMPARE(int((*reply)[ControllerFrameLayout::StatusMask]), after);
    }

    void switchCommand_touchesNoOtherBoard()
    {
        RelayBoards boards;
        QVERIFY(switchRelay(boards, 6, 0x10, 0x10));
        for (int address = 1; address <= 21; ++address)
            QCOMPARE(boards.States(address), std::uint8_t(address == 6 ? 0x10 : 0));
    }

    void framesForNoBoard_orOtherCommands_getNothing_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("command");
        QTest::newRow("status to 0") << 0 << int(ReadStatusCommand);
        QTest::newRow("status to 22") << 22 << int(ReadStatusCommand);
        QTest::newRow("status to 255") << 255 << int(ReadStatusCommand);
        QTest::newRow("switch to 22") << 22 << int(SwitchCommand);
        QTest::newRow("unknown command to 3") << 3 << 0x10;
    }
    void framesForNoBoard_orOtherCommands_getNothing()
    {
        QFETCH(int, address);
        QFETCH(int, command);
        ControllerFrame frame = BuildSwitchCommand(std::uint8_t(address), 0xFF, 0xFF);
        frame[ControllerFrameLayout::Command] = std::uint8_t(command);
        frame[ControllerFrameLayout::Checksum] = FrameChecksum(frame);
        RelayBoards boards;
        QVERIFY(!boards.Answer(frame));
        for (int board = 1; board <= 21; ++board)
            QCOMPARE(boards.States(board), std::uint8_t(0));
    }

    void stuckRelays_ignoreSwitchCommands()
    {
        RelayBoards boards;
        boards.SetStates(3, 0x01);
        boards.SetStuck(3, 0x03);
        QVERIFY(switchRelay(boards, 3, 0x01, 0x00));
        QVERIFY(switchRelay(boards, 3, 0x02, 0x02));
        QCOMPARE(boards.States(3), std::uint8_t(0x01));
        QVERIFY(switchRelay(boards, 3, 0x04, 0x04));
        QCOMPARE(boards.States(3), std::uint8_t(0x05));
        QVERIFY(switchRelay(boards, 4, 0x01, 0x01));
        QCOMPARE(boards.States(4), std::uint8_t(0x01));
    }

    void silentBoard_switchesButNeverAnswers()
    {
        RelayBoards boards;
        boards.SetSilent(17, true);
        QVERIFY(switchRelay(boards, 17, 0x08, 0x08));
        QCOMPARE(boards.States(17), std::uint8_t(0x08));
        QVERIFY(!boards.Answer(BuildStatusRequest(17)));
        QVERIFY(boards.Answer(BuildStatusRequest(16)));
        boards.SetSilent(17, false);
        QVERIFY(boards.Answer(BuildStatusRequest(17)));
    }

    void settersRefuseAddressesWithoutBoard()
    {
        RelayBoards boards;
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, boards.SetStates(0, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, boards.SetStuck(22, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, boards.SetSilent(-1, true));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, boards.States(22));
    }
};

QTEST_APPLESS_MAIN(TestRelayBoards)
#include "tst_relayboards.moc"
