#include "sim/SimCommandLine.h"
#include "sim/SimOutput.h"

#include <QTest>

namespace {

SimCommandLine parse(const QStringList& options)
{
    return parseSimCommandLine(QStringList{QStringLiteral("quelvane-sim")} + options);
}

} // namespace

class TestSimCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void noOptions_serveAPseudoTerminalWithoutFaults()
    {
        const SimCommandLine line = parse({});
        QCOMPARE(line.action, SimCommandLine::Action::Run);
        const SimOptions& options = line.options;
        QVERIFY(options.devicePath.isEmpty());
        QVERIFY(!options.trace);
        QCOMPARE(options.config.faults.replyDelayMs, 5);
        QCOMPARE(options.config.faults.splitAfterBytes, 0);
        QCOMPARE(options.config.faults.corruptEvery, 0);
        QCOMPARE(options.config.faults.dropEvery, 0);
        for (int address = 1; address <= 21; ++address) {
            QCOMPARE(options.config.boards.states(address), std::uint8_t(0));
            QCOMPARE(options.config.boards.stuck(address), std::uint8_t(0));
            QVERIFY(!options.config.boards.isSilent(address));
        }
    }

    void everyOption_reachesTheConfiguration()
    {
        const SimCommandLine line = parse(
            {"--device", "/dev/ttyUSB0", "--delay", "250",      "--state", "all=0xFF", "--state",
             "1=3",      "--state",      "9=0x80",  "--silent", "4",       "--silent", "21",
             "--stuck",  "2:0x81",       "--stuck", "2:4",      "--split", "10:40",    "--corrupt",
             "3:19",     "--drop",       "7",       "--trace"});
        QCOMPARE(line.action, SimCommandLine::Action::Run);
        const SimOptions& options = line.options;
        const RelayBoards& boards = options.config.boards;
        const ReplyFaults& faults = options.config.faults;
        QCOMPARE(options.devicePath, QStringLiteral("/dev/ttyUSB0"));
        QVERIFY(options.trace);
        QCOMPARE(faults.replyDelayMs, 250);
        QCOMPARE(boards.states(1), std::uint8_t(3));
        QCOMPARE(boards.states(2), std::uint8_t(0xFF));
        QCOMPARE(boards.states(5), std::uint8_t(0x7F));
        QCOMPARE(boards.states(9), std::uint8_t(0)); // bit 128 is no relay there
        QVERIFY(boards.isSilent(4) && boards.isSilent(21) && !boards.isSilent(5));
        QCOMPARE(boards.stuck(2), std::uint8_t(0x85));
        QCOMPARE(faults.splitAfterBytes, 10);
        QCOMPARE(faults.splitGapMs, 40);
        QCOMPARE(faults.corruptEvery, 3);
        QCOMPARE(faults.corruptByte, 19);
        QCOMPARE(faults.dropEvery, 7);
    }

    void corruptWithoutByte_spoilsTheChecksum()
    {
        const SimCommandLine line = parse({"--corrupt", "2"});
        QCOMPARE(line.action, SimCommandLine::Action::Run);
        QCOMPARE(line.options.config.faults.corruptEvery, 2);
        QCOMPARE(line.options.config.faults.corruptByte, 25);
    }

    void badValues_areRefusedWithTheirOption_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("named");
        QTest::newRow("board 22") << QStringList{"--state", "22=1"} << "--state";
        QTest::newRow("board 0") << QStringList{"--state", "0=1"} << "--state";
        QTest::newRow("mask too big") << QStringList{"--state", "1=256"} << "--state";
        QTest::newRow("no mask") << QStringList{"--state", "1"} << "--state";
        QTest::newRow("empty hex") << QStringList{"--state", "1=0x"} << "--state";
        QTest::newRow("negative mask") << QStringList{"--stuck", "3:-1"} << "--stuck";
        QTest::newRow("stuck on all") << QStringList{"--stuck", "all:1"} << "--stuck";
        QTest::newRow("silent 0") << QStringList{"--silent", "0"} << "--silent";
        QTest::newRow("silent word") << QStringList{"--silent", "two"} << "--silent";
        QTest::newRow("split nothing first") << QStringList{"--split", "0:10"} << "--split";
        QTest::newRow("split whole frame") << QStringList{"--split", "26:10"} << "--split";
        QTest::newRow("split without gap") << QStringList{"--split", "5"} << "--split";
        QTest::newRow("split gap too long") << QStringList{"--split", "5:60001"} << "--split";
        QTest::newRow("corrupt never") << QStringList{"--corrupt", "0"} << "--corrupt";
        QTest::newRow("corrupt past frame") << QStringList{"--corrupt", "2:26"} << "--corrupt";
        QTest::newRow("corrupt three parts") << QStringList{"--corrupt", "2:3:4"} << "--corrupt";
        QTest::newRow("drop negative") << QStringList{"--drop", "-1"} << "--drop";
        QTest::newRow("drop huge") << QStringList{"--drop", "99999999999"} << "--drop";
        QTest::newRow("delay too long") << QStringList{"--delay", "60001"} << "--delay";
        QTest::newRow("delay word") << QStringList{"--delay", "soon"} << "--delay";
        QTest::newRow("empty device") << QStringList{"--device", ""} << "--device";
        QTest::newRow("stray argument") << QStringList{"/dev/pts/3"} << "/dev/pts/3";
        QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << "baud";
    }
    void badValues_areRefusedWithTheirOption()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, named);
        const SimCommandLine line = parse(options);
        QCOMPARE(line.action, SimCommandLine::Action::Fail);
        QVERIFY2(line.text.contains(named), qPrintable(line.text));
    }

    void help_describesTheOutput()
    {
        for (const char* option : {"--help", "-h", "--help-all"}) {
            const SimCommandLine line = parse({option});
            QCOMPARE(line.action, SimCommandLine::Action::ShowHelp);
            QVERIFY(line.text.contains(QStringLiteral("quelvane-sim: device PATH")));
            QVERIFY(line.text.contains(QStringLiteral("--corrupt")));
        }
    }

    void deviceLine_namesThePath()
    {
        QCOMPARE(deviceLine(QStringLiteral("/dev/pts/5")),
                 QStringLiteral("quelvane-sim: device /dev/pts/5"));
    }

    void traceLine_givesDirectionTimeAndHex_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("word");
        QTest::newRow("from the station") << int(TraceDirection::Received) << "rx";
        QTest::newRow("to the station") << int(TraceDirection::Sent) << "tx";
        QTest::newRow("withheld") << int(TraceDirection::Dropped) << "drop";
    }
    void traceLine_givesDirectionTimeAndHex()
    {
        QFETCH(int, direction);
        QFETCH(QString, word);
        const ControllerFrame frame = BuildSwitchCommand(2, 0x80, 0x80);
        const QByteArray bytes(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
        const QString expected =
            word + " 2003 AA 02 13 80 80" + QString(" 00").repeated(20) + " BF";
        QCOMPARE(formatTraceLine(TraceDirection(direction), 2003, bytes), expected);
    }

    void stoppedLine_listsTheCounters()
    {
        BusCounters counters;
        counters.framesReceived = 4;
        counters.bytesSkipped = 3;
        counters.statusRequests = 2;
        counters.switchCommands = 1;
        counters.repliesSent = 1;
        counters.repliesDropped = 1;
        counters.repliesCorrupted = 5;
        counters.bytesLost = 6;
        QCOMPARE(stoppedLine(counters),
                 QStringLiteral("quelvane-sim: stopped frames=4 skipped=3 status=2 switch=1 "
                                "replies=1 dropped=1 corrupted=5 lost=6"));
    }
};

QTEST_GUILESS_MAIN(TestSimCommandLine)
#include "tst_simcommandline.moc"
