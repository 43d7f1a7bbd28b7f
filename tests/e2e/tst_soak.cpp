// The station's link against the simulated bus for a long run of status replies and switch
// commands across all 21 boards, with the faults a real line has: replies split at random
// points with random gaps, two replies in one block, garbage between replies, dropped replies
// and corrupted checksums. Every reply the station could apply must be applied.
//
// QUELVANE_SOAK_EVENTS sets the number of events (default 10000); the long mode also prints the
// resident size at its start and end.
#include <fstream>
#include <random>

#include <QElapsedTimer>
#include <QTest>

#include "link/ControllerLink.h"
#include "serial/TMSComm.h"
#include "sim/RelayBoards.h"
#include "support/BusOnThread.h"
#include "support/FrameBytes.h"

namespace {

constexpr std::uint32_t Red = 0x000000FF;

struct BoardShapes
{
    struct Shape : IndicatorShape
    {
        std::uint32_t color = 0;
        void SetBrushColor(std::uint32_t c) override { color = c; }
    };
    // Counts the replies the dispatch applied to this board.
    struct FirstShape : Shape
    {
        std::uint64_t* applied = nullptr;
        void SetBrushColor(std::uint32_t c) override
        {
            Shape::SetBrushColor(c);
            ++*applied;
        }
    };
    FirstShape first;
    std::array<Shape, 7> rest;

    std::uint8_t shown(int relays) const
    {
        std::uint8_t mask = first.color == Red ? 1 : 0;
        for (int i = 1; i < relays; ++i)
            if (rest[std::size_t(i - 1)].color == Red)
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
    void everyReplyTheStationCouldApplyIsApplied()
    {
        const int events = qEnvironmentVariableIsSet("QUELVANE_SOAK_EVENTS")
                               ? qEnvironmentVariableIntValue("QUELVANE_SOAK_EVENTS")
                               : 10000;
        BusOnThread bus;
        qputenv("QUELVANE_COM1", bus.devicePath.toLocal8Bit());
        TMSComm comm;
        IndicatorLookup indicators;
        ControllerLink link(comm, indicators);
        comm.OnComm = [&link](QObject* sender) { link.Comm1Comm(sender); };
        link.ShowWriteError = [](const QString& m) { QFAIL(qPrintable(m)); };
        link.PrepareComm();
        QVERIFY(link.OpenPort(1, 9600));

        std::uint64_t applied = 0;
        std::array<BoardShapes, 22> boards;
        for (int a = FirstControllerAddress; a <= LastControllerAddress; ++a) {
            BoardShapes& b = boards[std::size_t(a)];
            b.first.applied = &applied;
            std::vector<IndicatorShape*> list{&b.first};
            for (int i = 1; i < RelayBoards::relayCount(a); ++i)
                list.push_back(&b.rest[std::size_t(i - 1)]);
            indicators.Register(a, list);
        }

        std::mt19937 random(20261208);
        const auto pick = [&](int below) { return int(random() % unsigned(below)); };
        std::array<int, 22> lastReported;
        lastReported.fill(-1);
        std::uint64_t sent = 0, droppedOnTheLine = 0, garbageBytes = 0, switches = 0;
        std::uint64_t expectedApplied = 0;

        const auto waitUntil = [&](const std::function<bool()>& done) {
            QElapsedTimer t;
            t.start();
            while (!done() && t.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            return done();
        };
        const auto statesOf = [&](int address) { return bus.states(address); };
        const long rssStart = residentKiB();

        for (int i = 0; i < events; ++i) {
            // The fixture's record of every frame heard is the test's, not the station's:
            // kept short so that the resident size speaks of the station alone.
            bus.frames.clear();
            const int address = 1 + pick(LastControllerAddress);
            const int kind = pick(100);
            if (kind < 35) {
                const int relay = pick(RelayBoards::relayCount(address));
                const auto bit = std::uint8_t(1u << relay);
                const ControllerFrame command =
                    BuildSwitchCommand(std::uint8_t(address), bit, pick(2) ? bit : 0);
                link.SendFrame(command.data(), std::uint16_t(command.size()));
                ++switches;
                QVERIFY(waitUntil([&] {
                    std::uint64_t heard = 0;
                    bus.onBus([&](BuildingBus& b) { heard = b.counters().switchCommands; });
                    return heard == switches;
                }));
                continue;
            }
            const std::uint8_t states = statesOf(address);
            ControllerFrame reply = RelayBoards::buildStatusReply(std::uint8_t(address), states);
            if (kind < 40) { // dropped on the line: never arrives
                ++droppedOnTheLine;
                continue;
            }
            if (kind < 45) // a damaged checksum is not examined
                reply[ControllerFrameLayout::Checksum] ^= 0x5A;
            if (kind < 47) { // a short garbage burst, well apart from the replies around it
                QByteArray garbage(1 + pick(19), '\0');
                for (auto& c : garbage)
                    c = char(pick(256));
                garbageBytes += std::uint64_t(garbage.size());
                bus.injectBytes(garbage);
                link.PumpWait(ControllerLink::ReplyReadDelayMs + ControllerLink::BurstGapMs + 20);
            }
            QByteArray block = FrameBytes(reply);
            int replies = 1;
            if (kind >= 50 && kind < 60) { // two replies in one block
                const int other = 1 + pick(LastControllerAddress);
                if (other != address) {
                    block += FrameBytes(
                        RelayBoards::buildStatusReply(std::uint8_t(other), statesOf(other)));
                    lastReported[std::size_t(other)] = statesOf(other);
                    replies = 2;
                }
            }
            lastReported[std::size_t(address)] = states;
            sent += std::uint64_t(replies);
            expectedApplied += std::uint64_t(replies);
            if (kind >= 60 && kind < 68) { // split at a random point with a random gap
                const int cut = 1 + pick(int(block.size()) - 1);
                bus.injectBytes(block.left(cut));
                link.PumpWait(pick(40));
                bus.injectBytes(block.mid(cut));
            } else {
                bus.injectBytes(block);
            }
            QVERIFY2(waitUntil([&] { return applied == expectedApplied; }),
                     qPrintable(QStringLiteral("event %1: %2 of %3 replies applied")
                                    .arg(i)
                                    .arg(applied)
                                    .arg(expectedApplied)));
        }
        QVERIFY(waitUntil([&] { return applied == expectedApplied; }));
        link.PumpWait(2 * ControllerLink::BurstGapMs);

        for (int a = FirstControllerAddress; a <= LastControllerAddress; ++a) {
            if (lastReported[std::size_t(a)] < 0)
                continue;
            QCOMPARE(boards[std::size_t(a)].shown(RelayBoards::relayCount(a)),
                     std::uint8_t(lastReported[std::size_t(a)]));
        }
        const std::uint64_t lost = sent - applied;
        qInfo("soak: %d events, %llu switch commands, replies sent %llu, applied %llu, dropped on "
              "the line %llu, garbage bytes dropped %llu (assembler dropped %zu), lost %llu",
              events, qulonglong(switches), qulonglong(sent), qulonglong(applied),
              qulonglong(droppedOnTheLine), qulonglong(garbageBytes),
              link.Assembler().DroppedBytes(), qulonglong(lost));
        qInfo("soak: resident size %ld KiB at the start, %ld KiB at the end", rssStart,
              residentKiB());
        QCOMPARE(lost, std::uint64_t(0));
        QCOMPARE(link.Assembler().DroppedBytes(), std::size_t(garbageBytes));
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
