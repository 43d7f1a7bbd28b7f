#include "sim/RelayBoards.h"
#include "sim/ReplyShaper.h"

#include <QTest>

#include <stdexcept>

Q_DECLARE_METATYPE(ReplyFaults)

namespace L = ControllerFrameLayout;

namespace {

std::vector<std::uint8_t> bytesOf(const ControllerFrame& frame)
{
    return {frame.begin(), frame.end()};
}

// The replies of boards 1, 2, 3, ... in turn, so each one is told apart by its address.
std::vector<ShapedReply> shapeReplies(ReplyShaper& shaper, int count)
{
    std::vector<ShapedReply> shaped;
    for (int i = 1; i <= count; ++i)
        shaped.push_back(shaper.Shape(RelayBoards::BuildStatusReply(std::uint8_t(i), 0x05)));
    return shaped;
}

} // namespace

class TestReplyShaper : public QObject
{
    Q_OBJECT
private slots:
    void plainReply_goesOutWholeAfterTheDelay()
    {
        ReplyFaults faults;
        faults.replyDelayMs = 40;
        ReplyShaper shaper(faults);
        const ControllerFrame reply = RelayBoards::BuildStatusReply(8, 0x81);
        const ShapedReply shaped = shaper.Shape(reply);
        QVERIFY(!shaped.dropped && !shaped.corrupted);
        QCOMPARE(shaped.pieces.size(), std::size_t(1));
        QCOMPARE(shaped.pieces[0].atMs, 40);
        QVERIFY(shaped.pieces[0].bytes == bytesOf(reply));
    }

    void splitReply_comesInTwoPiecesWithTheGap_data()
    {
        QTest::addColumn<int>("firstBytes");
        QTest::newRow("one byte first") << 1;
        QTest::newRow("up to the states") << 19;
        QTest::newRow("all but the checksum") << 25;
    }
    void splitReply_comesInTwoPiecesWithTheGap()
    {
        QFETCH(int, firstBytes);
        ReplyFaults faults;
        faults.replyDelayMs = 3;
        faults.splitAfterBytes = firstBytes;
        faults.splitGapMs = 50;
        ReplyShaper shaper(faults);
        const ControllerFrame reply = RelayBoards::BuildStatusReply(12, 0x05);
        const ShapedReply shaped = shaper.Shape(reply);
        QCOMPARE(shaped.pieces.size(), std::size_t(2));
        QCOMPARE(shaped.pieces[0].bytes.size(), std::size_t(firstBytes));
        QCOMPARE(shaped.pieces[0].atMs, 3);
        QCOMPARE(shaped.pieces[1].atMs, 53);
        QCOMPARE(shaped.pieces[1].gapMs, 50);
        auto joined = shaped.pieces[0].bytes;
        joined.insert(joined.end(), shaped.pieces[1].bytes.begin(), shaped.pieces[1].bytes.end());
        QVERIFY(joined == bytesOf(reply));
    }

    void corruption_hitsEveryNthReplyInTheChosenByte_data()
    {
        QTest::addColumn<int>("byte");
        QTest::newRow("checksum") << int(L::Checksum);
        QTest::newRow("states") << int(L::StatusMask);
        QTest::newRow("header") << int(L::Header);
    }
    void corruption_hitsEveryNthReplyInTheChosenByte()
    {
        QFETCH(int, byte);
        ReplyFaults faults;
        faults.corruptEvery = 3;
        faults.corruptByte = byte;
        ReplyShaper shaper(faults);
        const auto shaped = shapeReplies(shaper, 7);
        for (std::size_t i = 0; i < shaped.size(); ++i) {
            const auto original = bytesOf(RelayBoards::BuildStatusReply(std::uint8_t(i + 1), 0x05));
            const auto& sent = shaped[i].pieces.at(0).bytes;
            const bool spoilt = (i + 1) % 3 == 0;
            QCOMPARE(shaped[i].corrupted, spoilt);
            for (std::size_t k = 0; k < L::Size; ++k) {
                const bool damaged = spoilt && k == std::size_t(byte);
                QCOMPARE(sent[k], damaged ? std::uint8_t(~original[k]) : original[k]);
            }
        }
    }

    void checksumCorruption_leavesWhatTheStationReadsIntact()
    {
        ReplyFaults faults;
        faults.corruptEvery = 1;
        ReplyShaper shaper(faults);
        ControllerFrame sent{};
        const auto bytes = shaper.Shape(RelayBoards::BuildStatusReply(14, 0xA5)).pieces.at(0).bytes;
        std::copy(bytes.begin(), bytes.end(), sent.begin());
        QCOMPARE(sent[L::ControllerAddress], std::uint8_t(14));
        QCOMPARE(sent[L::Command], ReadStatusCommand);
        QCOMPARE(sent[L::StatusMask], std::uint8_t(0xA5));
        QVERIFY(FrameChecksum(sent) != sent[L::Checksum]);
    }

    void drop_withholdsEveryNthReply_andWinsOverCorruption()
    {
        ReplyFaults faults;
        faults.dropEvery = 2;
        faults.corruptEvery = 4;
        ReplyShaper shaper(faults);
        const auto shaped = shapeReplies(shaper, 6);
        for (std::size_t i = 0; i < shaped.size(); ++i) {
            const bool dropped = (i + 1) % 2 == 0;
            QCOMPARE(shaped[i].dropped, dropped);
            QCOMPARE(shaped[i].pieces.empty(), dropped);
            QVERIFY(!shaped[i].corrupted);
        }
    }

    void faultsOutOfRange_areRefused_data()
    {
        QTest::addColumn<ReplyFaults>("faults");
        ReplyFaults f;
        f.replyDelayMs = -1;
        QTest::newRow("negative delay") << f;
        f = {};
        f.replyDelayMs = ReplyFaults::MaxDelayMs + 1;
        QTest::newRow("delay too long") << f;
        f = {};
        f.splitAfterBytes = int(L::Size);
        QTest::newRow("split after the whole frame") << f;
        f = {};
        f.splitAfterBytes = -2;
        QTest::newRow("negative split") << f;
        f = {};
        f.corruptByte = int(L::Size);
        QTest::newRow("byte past the frame") << f;
        f = {};
        f.dropEvery = -1;
        QTest::newRow("negative drop") << f;
    }
    void faultsOutOfRange_areRefused()
    {
        QFETCH(ReplyFaults, faults);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReplyShaper{faults});
    }
};

QTEST_APPLESS_MAIN(TestReplyShaper)
#include "tst_replyshaper.moc"
