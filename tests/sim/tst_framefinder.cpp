#include "sim/FrameFinder.h"

#include <QTest>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const ControllerFrame& frame)
{
    return Bytes(frame.begin(), frame.end());
}

Bytes operator+(Bytes head, const Bytes& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace

class TestFrameFinder : public QObject
{
    Q_OBJECT
private slots:
    void wholeFrameInOneRead_isFound()
    {
        FrameFinder finder;
        const auto frames = finder.Feed(bytesOf(BuildStatusRequest(7)));
        QCOMPARE(frames.size(), std::size_t(1));
        QVERIFY(frames[0] == BuildStatusRequest(7));
        QCOMPARE(finder.Pending(), std::size_t(0));
        QCOMPARE(finder.Skipped(), std::uint64_t(0));
    }

    void frameSplitAtEveryPoint_isFoundOnce()
    {
        const Bytes frame = bytesOf(BuildSwitchCommand(2, 0x80, 0x80));
        for (std::size_t cut = 1; cut < frame.size(); ++cut) {
            FrameFinder finder;
            QVERIFY(finder.Feed(Bytes(frame.begin(), frame.begin() + long(cut))).empty());
            QCOMPARE(finder.Pending(), cut);
            const auto frames = finder.Feed(Bytes(frame.begin() + long(cut), frame.end()));
            QCOMPARE(frames.size(), std::size_t(1));
            QVERIFY(bytesOf(frames[0]) == frame);
        }
    }

    void frameFedByteByByte_isFound()
    {
        FrameFinder finder;
        std::vector<ControllerFrame> found;
        for (const std::uint8_t byte : bytesOf(BuildStatusRequest(21))) {
            const auto frames = finder.Feed(std::span(&byte, 1));
            found.insert(found.end(), frames.begin(), frames.end());
        }
        QCOMPARE(found.size(), std::size_t(1));
        QVERIFY(found[0] == BuildStatusRequest(21));
    }

    void garbageBeforeFrame_isSkippedAndCounted()
    {
        FrameFinder finder;
        const auto frames =
            finder.Feed(Bytes{0x00, 0x13, 0xFF, 0x55} + bytesOf(BuildStatusRequest(3)));
        QCOMPARE(frames.size(), std::size_t(1));
        QVERIFY(frames[0] == BuildStatusRequest(3));
        QCOMPARE(finder.Skipped(), std::uint64_t(4));
    }

    void garbageHoldingHeaderBytes_doesNotHideTheFrame_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("pattern");
        for (int length = 1; length <= 30; ++length) {
            QTest::addRow("headers only, %d", length) << length << 0;
            QTest::addRow("header and zero, %d", length) << length << 1;
            QTest::addRow("header every third, %d", length) << length << 2;
        }
    }
    void garbageHoldingHeaderBytes_doesNotHideTheFrame()
    {
        QFETCH(int, length);
        QFETCH(int, pattern);
        // Fixed fillers: with arbitrary ones, about one false start in 256 would happen to carry
        // a right checksum and rightly be taken for a frame.
        Bytes garbage;
        for (int i = 0; i < length; ++i) {
            const bool header =
                pattern == 0 || (pattern == 1 && i % 2 == 0) || (pattern == 2 && i % 3 == 0);
            garbage.push_back(header ? FrameHeader : std::uint8_t(pattern == 1 ? 0x00 : 0x55));
        }
        FrameFinder finder;
        const auto frames = finder.Feed(garbage + bytesOf(BuildSwitchCommand(10, 4, 4)));
        QCOMPARE(frames.size(), std::size_t(1));
        QVERIFY(frames[0] == BuildSwitchCommand(10, 4, 4));
        QCOMPARE(finder.Skipped(), std::uint64_t(length));
        QCOMPARE(finder.Pending(), std::size_t(0));
    }

    // A header, one more byte, then the real frame: the first 26 bytes fail the checksum, and
    // the real header sits inside them.
    void falseStartOverlappingTheFrame_isAbandoned()
    {
        FrameFinder finder;
        const auto frames = finder.Feed(Bytes{FrameHeader, 0x05} + bytesOf(BuildStatusRequest(1)));
        QCOMPARE(frames.size(), std::size_t(1));
        QVERIFY(frames[0] == BuildStatusRequest(1));
        QCOMPARE(finder.Skipped(), std::uint64_t(2));
    }

    void frameWithBadChecksum_isNotReported_butTheNextOneIs()
    {
        Bytes damaged = bytesOf(BuildStatusRequest(4));
        damaged.back() ^= 0x01;
        FrameFinder finder;
        QVERIFY(finder.Feed(damaged).empty());
        const auto frames = finder.Feed(bytesOf(BuildStatusRequest(5)));
        QCOMPARE(frames.size(), std::size_t(1));
        QVERIFY(frames[0] == BuildStatusRequest(5));
        QCOMPARE(finder.Skipped(), std::uint64_t(damaged.size()));
    }

    void framesBackToBack_areAllFound()
    {
        FrameFinder finder;
        const auto frames =
            finder.Feed(bytesOf(BuildSwitchCommand(9, 64, 64)) + bytesOf(BuildStatusRequest(9)) +
                        bytesOf(BuildStatusRequest(13)));
        QCOMPARE(frames.size(), std::size_t(3));
        QVERIFY(frames[0] == BuildSwitchCommand(9, 64, 64));
        QVERIFY(frames[1] == BuildStatusRequest(9));
        QVERIFY(frames[2] == BuildStatusRequest(13));
    }

    void endlessGarbage_isNeverHeldBeyondOneFrame()
    {
        FrameFinder finder;
        std::uint32_t noise = 12345;
        Bytes chunk(97);
        std::size_t found = 0;
        for (int round = 0; round < 200; ++round) {
            for (auto& byte : chunk) {
                noise = noise * 1103515245u + 12345u;
                // Headers are frequent so that false starts are many.
                byte = (noise >> 16) % 3 == 0 ? FrameHeader : std::uint8_t(noise >> 24);
            }
            found += finder.Feed(chunk).size();
            QVERIFY(finder.Pending() < ControllerFrameLayout::Size);
        }
        // Every byte is skipped, held, or part of a frame found: none vanishes or counts twice.
        QCOMPARE(finder.Skipped() + finder.Pending() + found * ControllerFrameLayout::Size,
                 std::uint64_t(200 * chunk.size()));
    }
};

QTEST_APPLESS_MAIN(TestFrameFinder)
#include "tst_framefinder.moc"
