// The station's link against the simulated bus for a long run of status replies and switch
// commands across all 21 boards, with the faults a real line has: noise of every kind at every
// distance before and after replies, replies split at random points, two replies in one block,
// dropped replies and lone replies with a damaged checksum. Every reply the station could apply
// must be applied, to its own board, and no noise ever.
//
// QUELVANE_SOAK_EVENTS sets the number of events (default 10000); the long mode also prints the
// resident size at its start and end.
#include <deque>
#include <fstream>
#include <random>

#include <QElapsedTimer>
#include <QTest>

#include "link/ControllerLink.h"
#include "serial/TMSComm.h"
#include "sim/RelayBoards.h"
#include "support/BusOnThread.h"
#include "support/ControllerLinkTestAccess.h"
#include "support/FrameBytes.h"

namespace {

constexpr std::uint32_t Red = 0x000000FF;
// Replies with noise before them, and with noise after them, in percent.
constexpr int NoisePercent = 10;

// Bytes this far apart on the line are bursts of their own, even when the station reads the
// first of them up to its read delay late.
constexpr int ApartMs = 2 * ReplyAssembler::BurstGapMs + 2 * ControllerLink::ReplyReadDelayMs;

// How long to wait for a frame to be heard or a reply to be applied before taking it as lost.
// Both take a few tens of milliseconds; the guard only keeps a lost one from hanging the run,
// and is far enough out that a loaded machine never reaches it.
constexpr int LostAfterMs = 30000;

// What the dispatch did: every reply it applied is checked against the replies each board
// really sent, in order.
struct Ledger
{
    struct Sent
    {
        std::uint8_t states;
        QString how; // how it went out, for the report of a lost one
    };
    std::array<std::deque<Sent>, 22> expected;
    std::uint64_t sent = 0, applied = 0, misapplied = 0, lost = 0;

    void Send(int address, std::uint8_t states, const QString& how)
    {
        expected[std::size_t(address)].push_back({states, how});
        ++sent;
    }
    void Dispatched(int address, std::uint8_t shown)
    {
        auto& queue = expected[std::size_t(address)];
        if (!queue.empty() && queue.front().states == shown) {
            queue.pop_front();
            ++applied;
        } else {
            ++misapplied;
        }
    }
    std::size_t Waiting() const
    {
        std::size_t n = 0;
        for (const auto& queue : expected)
            n += queue.size();
        return n;
    }
    void GiveUpWaiting()
    {
        for (std::size_t a = 0; a < expected.size(); ++a) {
            for (const Sent& reply : expected[a])
                qInfo("soak: lost the reply of board %zu, %s", a, qPrintable(reply.how));
            lost += expected[a].size();
            expected[a].clear();
        }
    }
};

// One board's indicators; the last one painted completes a reply.
struct BoardShapes
{
    struct Shape : IndicatorShape
    {
        std::function<void()> painted;
        std::uint32_t color = 0;
        void SetBrushColor(std::uint32_t c) override
        {
            color = c;
            if (painted)
                painted();
        }
    };
    std::array<Shape, 8> shapes;

    std::uint8_t Shown(int relays) const
    {
        std::uint8_t mask = 0;
        for (int i = 0; i < relays; ++i)
            if (shapes[std::size_t(i)].color == Red)
                mask |= std::uint8_t(1u << i);
        return mask;
    }
};

long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT
private slots:
    void everyReplyIsAppliedToItsBoardAndNoNoiseEver()
    {
        const int events = qEnvironmentVariableIsSet("QUELVANE_SOAK_EVENTS")
                               ? qEnvironmentVariableIntValue("QUELVANE_SOAK_EVENTS")
                               : 10000;
        BusOnThread bus;
        qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
        TMSComm comm;
        IndicatorLookup indicators;
        ControllerLink link(comm, indicators);
        comm.OnComm = [&link](QObject* sender) { link.Comm1Comm(sender); };
        link.ShowWriteError = [](const QString& m) { QFAIL(qPrintable(m)); };
        link.PrepareComm();
        QVERIFY(link.OpenPort(1, 9600));

        Ledger ledger;
        std::array<BoardShapes, 22> boards;
        for (int a = FirstControllerAddress; a <= LastControllerAddress; ++a) {
            BoardShapes& b = boards[std::size_t(a)];
            const int relays = RelayBoards::RelayCount(a);
            std::vector<IndicatorShape*> list;
            for (int i = 0; i < relays; ++i)
                list.push_back(&b.shapes[std::size_t(i)]);
            b.shapes[std::size_t(relays - 1)].painted = [&ledger, &b, a, relays] {
                ledger.Dispatched(a, b.Shown(relays));
            };
            indicators.Register(a, list);
        }

        std::mt19937 random(20261208);
        const auto pick = [&](int below) { return int(random() % unsigned(below)); };
        std::array<int, 22> lastReported;
        lastReported.fill(-1);
        std::uint64_t droppedOnTheLine = 0, noiseBytes = 0, noisy = 0, damaged = 0, switches = 0;
        // Noise bursts by their distance to a reply, 0 to 150 ms: on both sides of the burst gap.
        std::array<std::uint64_t, 151> noiseAt{};
        // How far the next noise, and the next reply, must keep from what went out last: noise
        // joined to noise could make a lone burst, and a damaged reply must be a lone one.
        int noiseApart = 0, replyApart = 0;

        const auto waitUntil = [&](const std::function<bool()>& done) {
            QElapsedTimer t;
            t.start();
            while (!done() && t.elapsed() < LostAfterMs)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            return done();
        };
        const auto statesOf = [&](int address) { return bus.States(address); };
        // Noise as a line has it: random bytes, or the first bytes of some board's reply, which
        // carry header and status command. Below 20 bytes, so that on its own it is no lone
        // burst: a lone burst of 20 to 26 bytes counts as a reply.
        const auto noise = [&] {
            const int length = 1 + pick(19);
            QByteArray bytes(length, '\0');
            if (pick(2) == 0) {
                bytes = FrameBytes(RelayBoards::BuildStatusReply(
                                       std::uint8_t(1 + pick(LastControllerAddress)),
                                       std::uint8_t(random())))
                            .left(length);
            } else {
                for (auto& c : bytes)
                    c = char(pick(256));
            }
            noiseBytes += std::uint64_t(length);
            return bytes;
        };
        const long rssStart = residentKiB();

        for (int i = 0; i < events; ++i) {
            // The fixture's record of every frame heard is the test's, not the station's:
            // kept short so that the resident size speaks of the station alone.
            bus.Frames().clear();
            const int address = 1 + pick(LastControllerAddress);
            const int kind = pick(100);
            if (kind < 30) {
                const int relay = pick(RelayBoards::RelayCount(address));
                const auto bit = std::uint8_t(1u << relay);
                const ControllerFrame command =
                    BuildSwitchCommand(std::uint8_t(address), bit, pick(2) ? bit : 0);
                link.SendFrame(command.data(), std::uint16_t(command.size()));
                ++switches;
                QVERIFY(waitUntil([&] {
                    std::uint64_t heard = 0;
                    bus.OnBus([&](BuildingBus& b) { heard = b.Counters().switchCommands; });
                    return heard == switches;
                }));
                continue;
            }
            const std::uint8_t states = statesOf(address);
            ControllerFrame reply = RelayBoards::BuildStatusReply(std::uint8_t(address), states);
            if (kind < 35) { // dropped on the line: never arrives
                ++droppedOnTheLine;
                continue;
            }
            if (kind < 36) {
                // A damaged checksum is not examined when the reply comes alone, quiet before
                // and after: a lone burst.
                reply[ControllerFrameLayout::Checksum] ^= 0x5A;
                ++damaged;
                ledger.Send(address, states, QStringLiteral("event %1, lone, damaged").arg(i));
                lastReported[std::size_t(address)] = states;
                bus.InjectBytes(FrameBytes(reply), ApartMs);
                QVERIFY(waitUntil([&] { return ledger.Waiting() == 0; }));
                noiseApart = replyApart = ApartMs;
                continue;
            }
            QByteArray block = FrameBytes(reply);
            QString how = QStringLiteral("event %1").arg(i);
            std::vector<std::pair<int, std::uint8_t>> replies{{address, states}};
            if (kind < 50) { // two replies in one block
                const int other = 1 + pick(LastControllerAddress);
                if (other != address) {
                    const std::uint8_t otherStates = statesOf(other);
                    block +=
                        FrameBytes(RelayBoards::BuildStatusReply(std::uint8_t(other), otherStates));
                    replies.emplace_back(other, otherStates);
                    how += QStringLiteral(", two in a block");
                }
            }
            // Noise before and after, at any distance from 0 (in the same block) to 150 ms.
            int gap = 0;
            if (pick(100) < NoisePercent) {
                const int distance = pick(int(noiseAt.size()));
                const QByteArray junk = noise();
                bus.InjectBytes(junk, std::max(noiseApart, replyApart));
                replyApart = 0;
                gap = distance;
                ++noiseAt[std::size_t(distance)];
                ++noisy;
                how += QStringLiteral(", %1 %2 ms before")
                           .arg(QString::fromLatin1(junk.toHex(' ')))
                           .arg(distance);
            }
            if (kind < 60) { // split at a random point, the pieces up to 20 ms apart
                const int cut = 1 + pick(int(block.size()) - 1);
                const int pieceGap = pick(21);
                bus.InjectBytes(block.left(cut), std::max(gap, replyApart));
                bus.InjectBytes(block.mid(cut), pieceGap);
                how += QStringLiteral(", split after %1 bytes, %2 ms apart").arg(cut).arg(pieceGap);
            } else {
                bus.InjectBytes(block, std::max(gap, replyApart));
            }
            noiseApart = replyApart = 0;
            if (pick(100) < NoisePercent) {
                const int distance = pick(int(noiseAt.size()));
                const QByteArray junk = noise();
                bus.InjectBytes(junk, distance);
                ++noiseAt[std::size_t(distance)];
                ++noisy;
                noiseApart = ApartMs;
                how += QStringLiteral(", %1 %2 ms after")
                           .arg(QString::fromLatin1(junk.toHex(' ')))
                           .arg(distance);
            }
            for (const auto& [board, boardStates] : replies) {
                ledger.Send(board, boardStates, how);
                lastReported[std::size_t(board)] = boardStates;
            }
            if (!waitUntil([&] { return ledger.Waiting() == 0; }))
                ledger.GiveUpWaiting();
        }
        link.PumpWait(ApartMs);
        QVERIFY(waitUntil([&] { return !ControllerLinkTestAccess::Assembler(link).BurstOpen(); }));
        ledger.GiveUpWaiting();

        const auto distancesCovered =
            std::count_if(noiseAt.begin(), noiseAt.end(), [](std::uint64_t n) { return n > 0; });
        qInfo("soak: %d events, %llu switch commands, %llu replies dropped on the line; replies "
              "sent %llu (%llu lone with a damaged checksum), applied %llu, lost %llu, "
              "misapplied %llu",
              events, qulonglong(switches), qulonglong(droppedOnTheLine), qulonglong(ledger.sent),
              qulonglong(damaged), qulonglong(ledger.applied), qulonglong(ledger.lost),
              qulonglong(ledger.misapplied));
        qInfo("soak: %llu noise bursts, %llu bytes, at %ld of the 151 distances 0 to 150 ms; "
              "the reassembly dropped %zu bytes",
              qulonglong(noisy), qulonglong(noiseBytes), long(distancesCovered),
              ControllerLinkTestAccess::Assembler(link).DroppedBytes());
        qInfo("soak: resident size %ld KiB at the start, %ld KiB at the end", rssStart,
              residentKiB());
        for (int a = FirstControllerAddress; a <= LastControllerAddress; ++a) {
            if (lastReported[std::size_t(a)] < 0)
                continue;
            QCOMPARE(boards[std::size_t(a)].Shown(RelayBoards::RelayCount(a)),
                     std::uint8_t(lastReported[std::size_t(a)]));
        }
        QCOMPARE(ledger.lost, std::uint64_t(0));
        QCOMPARE(ledger.misapplied, std::uint64_t(0));
        QCOMPARE(ledger.applied, ledger.sent);
        // Every noise byte was dropped, none taken into a reply.
        QCOMPARE(ControllerLinkTestAccess::Assembler(link).DroppedBytes(), std::size_t(noiseBytes));
        link.ClosePort();
    }
};

int main(int argc, char** argv)
{
    // The long mode runs for many minutes: past the test library's watchdog.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "86400000");
    QCoreApplication application(argc, argv);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_soak.moc"
