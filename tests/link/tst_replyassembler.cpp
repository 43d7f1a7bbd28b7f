#include "link/ReplyAssembler.h"

#include <random>
#include <vector>

#include <QTest>

namespace {

std::vector<std::uint8_t> reply(std::uint8_t address, std::uint8_t status)
{
    ControllerFrame frame{};
    frame[0] = FrameHeader;
    frame[1] = address;
    frame[2] = ReadStatusCommand;
    frame[19] = status;
    frame[25] = FrameChecksum(frame);
    return {frame.begin(), frame.end()};
}

struct Collected
{
    std::vector<std::vector<std::uint8_t>> replies;
    ReplyAssembler::Dispatch sink()
    {
        return
            [this](std::span<const std::uint8_t> r) { replies.emplace_back(r.begin(), r.end()); };
    }
};

} // namespace

class TestReplyAssembler : public QObject
{
    Q_OBJECT
private slots:
    void wholeRepliesGoOutAtOnce()
    {
        ReplyAssembler assembler;
        Collected out;
        auto both = reply(3, 0x11);
        const auto second = reply(4, 0x22);
        both.insert(both.end(), second.begin(), second.end());
        assembler.Append(both, out.sink());
        QCOMPARE(out.replies.size(), std::size_t(2));
        QCOMPARE(out.replies[0], reply(3, 0x11));
        QCOMPARE(out.replies[1], second);
        QCOMPARE(assembler.PendingCount(), std::size_t(0));
    }

    void piecesWaitForTheRestOfTheirBurst()
    {
        ReplyAssembler assembler;
        Collected out;
        const auto whole = reply(12, 0x05);
        const std::span<const std::uint8_t> bytes(whole);
        assembler.Append(bytes.first(1), out.sink());
        assembler.Append(bytes.subspan(1, 9), out.sink());
        QVERIFY(out.replies.empty());
        QCOMPARE(assembler.PendingCount(), std::size_t(10));
        assembler.Append(bytes.subspan(10), out.sink());
        QCOMPARE(out.replies.size(), std::size_t(1));
        QCOMPARE(out.replies[0], whole);
    }

    void pieceFollowedByAWholeReplyKeepsTheCut()
    {
        ReplyAssembler assembler;
        Collected out;
        const auto first = reply(6, 0x01);
        const auto second = reply(7, 0x02);
        std::vector<std::uint8_t> rest(first.begin() + 8, first.end());
        rest.insert(rest.end(), second.begin(), second.end());
        assembler.Append(std::span(first).first(8), out.sink());
        assembler.Append(rest, out.sink());
        QCOMPARE(out.replies.size(), std::size_t(2));
        QCOMPARE(out.replies[0], first);
        QCOMPARE(out.replies[1], second);
    }

    void endOfBurstKeepsLongRemaindersAndDropsShortOnes()
    {
        ReplyAssembler assembler;
        Collected out;
        const auto whole = reply(9, 0x40);
        assembler.Append(std::span(whole).first(20), out.sink());
        assembler.EndBurst(out.sink());
        QCOMPARE(out.replies.size(), std::size_t(1));
        QCOMPARE(out.replies[0].size(), std::size_t(20));
        QCOMPARE(out.replies[0][19], std::uint8_t(0x40));

        assembler.Append(std::span(whole).first(19), out.sink());
        assembler.EndBurst(out.sink());
        QCOMPARE(out.replies.size(), std::size_t(1));
        QCOMPARE(assembler.DroppedBytes(), std::size_t(19));
        QCOMPARE(assembler.PendingCount(), std::size_t(0));
    }

    void discardForgetsThePiece()
    {
        ReplyAssembler assembler;
        Collected out;
        const auto whole = reply(2, 0xFF);
        assembler.Append(std::span(whole).first(13), out.sink());
        assembler.Discard();
        assembler.Append(whole, out.sink());
        QCOMPARE(out.replies.size(), std::size_t(1));
        QCOMPARE(out.replies[0], whole);
    }

    void arbitraryBurstsNeverHoldMoreThanOneReply()
    {
        std::mt19937 random(7);
        ReplyAssembler assembler;
        std::size_t delivered = 0;
        std::size_t total = 0;
        const auto count = [&](std::span<const std::uint8_t> r) {
            QVERIFY(r.size() >= ReplyAssembler::MinimumRemainder && r.size() <= 26);
            delivered += r.size();
        };
        for (int i = 0; i < 2000; ++i) {
            std::vector<std::uint8_t> block(random() % 90);
            for (auto& b : block)
                b = std::uint8_t(random());
            total += block.size();
            assembler.Append(block, count);
            QVERIFY(assembler.PendingCount() < 26);
            if (random() % 4 == 0)
                assembler.EndBurst(count);
        }
        assembler.EndBurst(count);
        QCOMPARE(delivered + assembler.DroppedBytes(), total);
    }
};

QTEST_APPLESS_MAIN(TestReplyAssembler)
#include "tst_replyassembler.moc"
