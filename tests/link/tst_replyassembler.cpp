#include "link/ReplyAssembler.h"
#include "sim/RelayBoards.h"

#include <map>
#include <random>
#include <vector>

#include <QTest>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes reply(std::uint8_t address, std::uint8_t status)
{
    const ControllerFrame frame = RelayBoards::BuildStatusReply(address, status);
    return {frame.begin(), frame.end()};
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes left(const Bytes& b, std::size_t n)
{
    return {b.begin(), b.begin() + std::ptrdiff_t(n)};
}

struct Applied
{
    int address;
    int status;
    ReplyForm form;
    std::size_t size;
    bool operator==(const Applied&) const = default;
};

QString describe(const std::vector<Applied>& list)
{
    QStringList parts;
    for (const Applied& a : list)
        parts << QStringLiteral("%1:%2:%3:%4")
                     .arg(a.address)
                     .arg(a.status, 2, 16, QLatin1Char('0'))
                     .arg(a.form == ReplyForm::Whole ? "whole" : "lone")
                     .arg(a.size);
    return parts.join(' ');
}

// The assembler with what it handed on and what it dropped, and a clock for the reads.
struct Line
{
    Line()
        : assembler({[this](std::span<const std::uint8_t> r, ReplyForm form) {
                         applied.push_back({r.size() > 1 ? r[1] : -1, r.size() > 19 ? r[19] : -1,
                                            form, r.size()});
                         replies.emplace_back(r.begin(), r.end());
                     },
                     [this](std::size_t count, DropReason why) { dropped[why] += count; }})
    {}

    // Bytes read gapMs after the read before, by a station that watched the line meanwhile.
    void read(const Bytes& bytes, int gapMs = 0)
    {
        now += std::uint32_t(gapMs);
        assembler.LineQuiet(now);
        assembler.Append(bytes, now);
        total += bytes.size();
    }
    // Bytes read gapMs after the read before, by a station kept from looking at the line.
    void readLate(const Bytes& bytes, int gapMs)
    {
        now += std::uint32_t(gapMs);
        assembler.Append(bytes, now);
        total += bytes.size();
    }
    void quiet() { assembler.LineQuiet(now + ReplyAssembler::BurstGapMs + 1); }

    std::size_t droppedTotal() const
    {
        std::size_t sum = 0;
        for (const auto& [why, count] : dropped)
            sum += count;
        return sum;
    }
    // Every byte read was handed on or dropped exactly once.
    bool accounted() const
    {
        std::size_t used = 0;
        for (const Bytes& r : replies)
            used += r.size();
        return used + droppedTotal() == total && droppedTotal() == assembler.DroppedBytes();
    }

    ReplyAssembler assembler;
    std::vector<Applied> applied;
    std::vector<Bytes> replies;
    std::map<DropReason, std::size_t> dropped;
    std::uint32_t now = 0xFFFFFF00u; // wraps during the test
    std::size_t total = 0;
};

Applied whole(int address, int status)
{
    return {address, status, ReplyForm::Whole, 26};
}

// Board 12's status 0xEB makes the checksum 0xAA: a header could start in the reply's last byte.
const Bytes Board1 = reply(1, 0x15);
const Bytes Board12 = reply(12, 0xEB);

enum class Noise
{
    Zeros,
    Random,
    CutReply, // the first bytes of board 7's reply
    Headers,  // 0xAA over and over
};

Bytes noise(Noise kind, std::size_t length, std::mt19937& random)
{
    Bytes bytes(length, 0);
    if (kind == Noise::CutReply)
        return left(reply(7, 0x33), length);
    for (auto& b : bytes)
        b = kind == Noise::Headers ? 0xAA : kind == Noise::Random ? std::uint8_t(random()) : 0;
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(std::vector<Applied>)

class TestReplyAssembler : public QObject
{
    Q_OBJECT
private slots:
    void faultsSeenOnTheLine_data()
    {
        QTest::addColumn<Bytes>("before");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<Bytes>("after");
        QTest::addColumn<std::vector<Applied>>("expected");
        for (int gap : {0, 10, 20, 35, 50, 60, 70, 78, 85, 150})
            QTest::addRow("one zero byte, reply %d ms later", gap)
                << Bytes{0x00} << gap << Board1 << std::vector{whole(1, 0x15)};
        for (int gap : {0, 30, 60, 150})
            QTest::addRow("00 05 09, reply %d ms later", gap)
                << Bytes{0x00, 0x05, 0x09} << gap << Board1 << std::vector{whole(1, 0x15)};
        for (int gap : {0, 20, 50, 60, 150})
            QTest::addRow("13 bytes of a cut reply, whole reply %d ms later", gap)
                << left(reply(1, 0x02), 13) << gap << Board1 << std::vector{whole(1, 0x15)};
    }
    void faultsSeenOnTheLine()
    {
        QFETCH(Bytes, before);
        QFETCH(int, gapMs);
        QFETCH(Bytes, after);
        QFETCH(std::vector<Applied>, expected);
        Line line;
        line.read(before);
        line.read(after, gapMs);
        line.quiet();
        QCOMPARE(describe(line.applied), describe(expected));
        QVERIFY(line.accounted());
    }

    void noiseAtEveryDistanceBeforeAndAfterAReply()
    {
        std::mt19937 random(13);
        for (const Bytes& real : {Board1, Board12}) {
            const Applied expected = whole(real[1], real[19]);
            for (Noise kind : {Noise::Zeros, Noise::Random, Noise::CutReply, Noise::Headers}) {
                for (std::size_t length = 1; length <= 25; ++length) {
                    for (int gap : {0, 1, 5, 10, 16, 20, 30, 50, 60, 80, 99, 100, 101, 150}) {
                        for (bool noiseFirst : {true, false}) {
                            const Bytes junk = noise(kind, length, random);
                            Line line;
                            line.read(noiseFirst ? junk : real);
                            line.read(noiseFirst ? real : junk, gap);
                            line.quiet();
                            // Noise on its own, 20 bytes or more, is a lone burst.
                            std::vector<Applied> want{expected};
                            const bool lone = gap > ReplyAssembler::BurstGapMs && length >= 20;
                            if (lone) {
                                const Applied noiseAsLone{junk[1], junk[19], ReplyForm::LoneBurst,
                                                          length};
                                want.insert(noiseFirst ? want.begin() : want.end(), noiseAsLone);
                            }
                            const QString where =
                                QStringLiteral("board %1, noise kind %2, %3 bytes %4 ms %5")
                                    .arg(real[1])
                                    .arg(int(kind))
                                    .arg(length)
                                    .arg(gap)
                                    .arg(noiseFirst ? "before" : "after");
                            QVERIFY2(line.applied == want,
                                     qPrintable(where + ": " + describe(line.applied)));
                            QVERIFY2(line.accounted(), qPrintable(where));
                        }
                    }
                }
            }
        }
    }

    void twoRepliesOfDifferentBoardsInOneBlock()
    {
        Line line;
        line.read(reply(1, 0x01) + reply(12, 0x80));
        QCOMPARE(describe(line.applied), describe({whole(1, 0x01), whole(12, 0x80)}));

        Line noisy;
        noisy.read(Bytes{0x00, 0xAA} + reply(3, 0x11) + Bytes{0xAA, 0x05, 0x09} + reply(4, 0x22));
        noisy.quiet();
        QCOMPARE(describe(noisy.applied), describe({whole(3, 0x11), whole(4, 0x22)}));
        QCOMPARE(noisy.dropped[DropReason::Noise], std::size_t(5));
    }

    void aReplySplitIntoPieces_data()
    {
        QTest::addColumn<QList<int>>("cuts"); // where the pieces start, after the first
        QTest::addColumn<int>("gapMs");
        for (int gap : {0, 1, 8, 16, 20}) {
            for (int cut = 1; cut < 26; ++cut)
                QTest::addRow("two pieces at %d, %d ms apart", cut, gap) << QList<int>{cut} << gap;
            QTest::addRow("three pieces, %d ms apart", gap) << QList<int>{3, 20} << gap;
            QTest::addRow("three pieces around the status, %d ms apart", gap)
                << QList<int>{19, 20} << gap;
            QList<int> everyByte;
            for (int i = 1; i < 26; ++i)
                everyByte << i;
            QTest::addRow("26 pieces, %d ms apart", gap) << everyByte << gap;
        }
    }
    void aReplySplitIntoPieces()
    {
        QFETCH(QList<int>, cuts);
        QFETCH(int, gapMs);
        const Bytes whole12 = Board12;
        Line line;
        std::size_t from = 0;
        cuts << 26;
        for (int cut : cuts) {
            line.read({whole12.begin() + std::ptrdiff_t(from), whole12.begin() + cut},
                      from == 0 ? 0 : gapMs);
            from = std::size_t(cut);
        }
        line.quiet();
        QCOMPARE(describe(line.applied), describe({whole(12, 0xEB)}));
        QVERIFY(line.dropped.empty());
    }

    void aStationKeptFromTheLineJoinsWhatItFindsThere()
    {
        // However late the second piece is read, nothing says the line was quiet in between.
        for (int late : {ReplyAssembler::BurstGapMs + 1, 2 * ReplyAssembler::BurstGapMs, 500}) {
            Line line;
            line.read(left(Board1, 9));
            line.readLate({Board1.begin() + 9, Board1.end()}, late);
            QCOMPARE(describe(line.applied), describe({whole(1, 0x15)}));
        }
        // Seen quiet just past the gap, the line had ended the burst: the pieces stay apart.
        Line watched;
        watched.read(left(Board1, 9));
        watched.assembler.LineQuiet(watched.now + ReplyAssembler::BurstGapMs);
        QVERIFY(watched.assembler.BurstOpen());
        watched.assembler.LineQuiet(watched.now + ReplyAssembler::BurstGapMs + 1);
        QVERIFY(!watched.assembler.BurstOpen());
        watched.read({Board1.begin() + 9, Board1.end()});
        watched.quiet();
        QVERIFY(watched.applied.empty());
        QCOMPARE(watched.dropped[DropReason::NoReply], std::size_t(26));
    }

    void aCutReplyThenAWholeOne()
    {
        const Bytes cutFrom = reply(5, 0x7F);
        for (std::size_t cut = 1; cut <= 25; ++cut) {
            for (int gap : {0, 20, 50, 100, 101, 150}) {
                Line line;
                line.read(left(cutFrom, cut));
                line.read(Board1, gap);
                line.quiet();
                std::vector<Applied> want{whole(1, 0x15)};
                // Apart from the whole reply, a cut reply that kept its status byte is a lone
                // burst and carries its own board's state.
                if (gap > ReplyAssembler::BurstGapMs && cut >= 20)
                    want.insert(want.begin(), {5, 0x7F, ReplyForm::LoneBurst, cut});
                QVERIFY2(line.applied == want, qPrintable(QStringLiteral("%1 bytes, %2 ms: %3")
                                                              .arg(cut)
                                                              .arg(gap)
                                                              .arg(describe(line.applied))));
            }
        }
    }

    void aFalseStartGivesWayToTheReplyStartingInsideIt()
    {
        // Six bytes of board 2's reply, then the whole reply: the six bytes and the first 20 of
        // the reply make a frame whose checksum comes out right.
        const Bytes real = reply(2, 0x6A);
        const Bytes joined = left(real, 6) + real;
        QVERIFY(IsWholeReply(std::span(joined).first(26)));
        for (std::size_t piece : {std::size_t(1), std::size_t(26), joined.size()}) {
            Line line;
            for (std::size_t i = 0; i < joined.size(); i += piece)
                line.read({joined.begin() + std::ptrdiff_t(i),
                           joined.begin() + std::ptrdiff_t(std::min(i + piece, joined.size()))});
            line.quiet();
            QCOMPARE(describe(line.applied), describe({whole(2, 0x6A)}));
            QCOMPARE(line.dropped[DropReason::FalseStart], std::size_t(6));
        }
    }

    void loneBurstsAreTakenAsTheyCame()
    {
        Bytes damaged = Board1;
        damaged[0] = 0x00;
        damaged[25] ^= 0x5A;
        Line line;
        line.read(damaged);
        QVERIFY(line.applied.empty()); // more may still join it
        line.quiet();
        QCOMPARE(describe(line.applied), describe({{1, 0x15, ReplyForm::LoneBurst, 26}}));

        for (std::size_t length = 20; length <= 25; ++length) {
            Line shortOne;
            shortOne.read(left(reply(9, 0x40), length));
            shortOne.quiet();
            QCOMPARE(describe(shortOne.applied),
                     describe({{9, 0x40, ReplyForm::LoneBurst, length}}));
        }

        // A lone burst is decided by the pause after it: the next read ends it by its time.
        Line timed;
        timed.read(left(reply(9, 0x40), 22));
        timed.read(Board1, ReplyAssembler::BurstGapMs + 1);
        QCOMPARE(describe(timed.applied),
                 describe({{9, 0x40, ReplyForm::LoneBurst, 22}, whole(1, 0x15)}));

        Line tooShort;
        tooShort.read(left(Board1, 19));
        tooShort.quiet();
        QVERIFY(tooShort.applied.empty());
        QCOMPARE(tooShort.dropped[DropReason::NoReply], std::size_t(19));

        Line tooLong;
        tooLong.read(damaged + Bytes{0x00});
        tooLong.quiet();
        QVERIFY(tooLong.applied.empty());
        QCOMPARE(tooLong.assembler.DroppedBytes(), std::size_t(27));
        QVERIFY(tooLong.accounted());
    }

    void discardDropsEveryByteHeld()
    {
        Line partial;
        partial.read(left(Board1, 20));
        partial.assembler.Discard();
        partial.quiet();
        QVERIFY(partial.applied.empty());
        QCOMPARE(partial.dropped[DropReason::Discarded], std::size_t(20));

        // A whole reply that waits to see whether another starts in its last byte.
        Line waiting;
        waiting.read(Board12);
        QVERIFY(waiting.applied.empty());
        QCOMPARE(waiting.assembler.HeldCount(), std::size_t(26));
        waiting.assembler.Discard();
        waiting.quiet();
        QVERIFY(waiting.applied.empty());
        QCOMPARE(waiting.dropped[DropReason::Discarded], std::size_t(26));
        QVERIFY(waiting.accounted());

        waiting.read(Board1);
        QCOMPARE(describe(waiting.applied), describe({whole(1, 0x15)}));
    }

    void randomLinesLoseNoReplyAndInventNone()
    {
        // Noise rich in headers and status commands, before or after every reply, at every
        // distance. Noise never runs on long enough to hold a whole frame of its own: that,
        // by its shape, would be a reply.
        std::mt19937 random(2026);
        const auto pick = [&](int below) { return int(random() % unsigned(below)); };
        Line line;
        std::vector<Bytes> sent;
        bool endedInNoise = false;
        for (int event = 0; event < 3000; ++event) {
            Bytes junk(std::size_t(1 + pick(19)));
            for (auto& b : junk)
                b = pick(3) == 0 ? 0xAA : pick(3) == 0 ? 0x09 : std::uint8_t(random());
            const Bytes real = reply(std::uint8_t(1 + pick(21)), std::uint8_t(random()));
            sent.push_back(real);
            const bool noiseFirst = pick(2);
            const Bytes stream = noiseFirst ? junk + real : real + junk;
            int gap = pick(2 * ReplyAssembler::BurstGapMs + 1);
            if (noiseFirst && endedInNoise)
                gap = ReplyAssembler::BurstGapMs + 1 + pick(50);
            endedInNoise = !noiseFirst;
            std::size_t at = 0;
            while (at < stream.size()) {
                const std::size_t piece = std::min(std::size_t(1 + pick(30)), stream.size() - at);
                line.read({stream.begin() + std::ptrdiff_t(at),
                           stream.begin() + std::ptrdiff_t(at + piece)},
                          gap);
                QVERIFY(line.assembler.HeldCount() <= ReplyAssembler::MaximumHeld);
                at += piece;
                gap = pick(21);
            }
        }
        line.quiet();
        std::vector<Bytes> wholes;
        for (std::size_t i = 0; i < line.replies.size(); ++i)
            if (line.applied[i].form == ReplyForm::Whole)
                wholes.push_back(line.replies[i]);
        QCOMPARE(wholes.size(), sent.size());
        QVERIFY(wholes == sent);
        QVERIFY(line.accounted());
    }
};

QTEST_APPLESS_MAIN(TestReplyAssembler)
#include "tst_replyassembler.moc"
