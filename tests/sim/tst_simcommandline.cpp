#include "sim/SimCommandLine.h"
#include "sim/SimOutput.h"

#include <QTest>

namespace {

SimCommandLine parse(const QStringList& options)
{
    return ParseSimCommandLine(QStringList{QStringLiteral("quelvane-sim")} + options);
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
            QCOMPARE(options.config.boards.States(address), std::uint8_t(0));
            QCOMPARE(options.config.boards.Stuck(address), std::uint8_t(0));
            QVERIFY(!options.config.boards.IsSilent(address));
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
        QCOMPARE(boards.States(1), std::uint8_t(3));
        QCOMPARE(boards.States(2), std::uint8_t(0xFF));
        QCOMPARE(boards.States(5), std::uint8_t(0x7F));
        QCOMPARE(boards.States(9), std::uint8_t(0)); // bit 128 is no relay there
        QVERIFY(boards.IsSilent(4) && boards.IsSilent(21) && !boards.IsSilent(5));
        QCOMPARE(boards.Stuck(2), std::uint8_t(0x85));
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

    void badValues_areRefusedWithTheReason_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& options, const char* message) {
            QTest::newRow(name) << options << QString::fromUtf8(message);
        };
        row("board 22", {"--state", "22=1"}, R"(invalid --state "22=1": board 22 is not 1 to 21)");
        row("board 0", {"--state", "0=1"}, R"(invalid --state "0=1": board 0 is not 1 to 21)");
        row("mask of all too big", {"--state", "all=0x1FF"},
            R"(invalid --state "all=0x1FF": mask 0x1FF is above 0xFF)");
        row("mask too big", {"--state", "1=256"},
            R"(invalid --state "1=256": mask 256 is above 0xFF)");
        row("no mask", {"--state", "1"},
            R"(invalid --state "1": expected A=MASK ("=" between board and mask))");
        row("state with a colon", {"--state", "2:1"},
            R"(invalid --state "2:1": expected A=MASK ("=" between board and mask))");
        row("empty hex", {"--state", "1=0x"},
            R"(invalid --state "1=0x": mask "0x" is not a number)");
        row("negative mask", {"--stuck", "3:-1"},
            R"(invalid --stuck "3:-1": mask -1 is below 0x00)");
        row("stuck with an equals sign", {"--stuck", "2=0x80"},
            R"(invalid --stuck "2=0x80": expected A:MASK (":" between board and mask))");
        row("stuck on all", {"--stuck", "all:1"},
            R"(invalid --stuck "all:1": name one board, 1 to 21)");
        row("stuck board 22", {"--stuck", "22:1"},
            R"(invalid --stuck "22:1": board 22 is not 1 to 21)");
        row("silent 0", {"--silent", "0"}, R"(invalid --silent "0": board 0 is not 1 to 21)");
        row("silent word", {"--silent", "two"},
            R"(invalid --silent "two": board "two" is not a number)");
        row("split nothing first", {"--split", "0:10"},
            R"(invalid --split "0:10": bytes 0 is below 1)");
        row("split whole frame", {"--split", "26:10"},
            R"(invalid --split "26:10": bytes 26 is above 25)");
        row("split without gap", {"--split", "5"}, R"(invalid --split "5": expected BYTES:GAPMS)");
        row("split gap too long", {"--split", "5:60001"},
            R"(invalid --split "5:60001": gap 60001 is above 60000)");
        row("corrupt never", {"--corrupt", "0"}, R"(invalid --corrupt "0": count 0 is below 1)");
        row("corrupt past frame", {"--corrupt", "2:26"},
            R"(invalid --corrupt "2:26": byte 26 is above 25)");
        row("corrupt three parts", {"--corrupt", "2:3:4"},
            R"(invalid --corrupt "2:3:4": expected N[:BYTE])");
        row("drop negative", {"--drop", "-1"}, R"(invalid --drop "-1": count -1 is below 1)");
        row("drop huge", {"--drop", "99999999999"},
            R"(invalid --drop "99999999999": count 99999999999 is above 1000000)");
        row("delay too long", {"--delay", "60001"},
            R"(invalid --delay "60001": delay 60001 is above 60000)");
        row("delay word", {"--delay", "soon"},
            R"(invalid --delay "soon": delay "soon" is not a number)");
        row("empty device", {"--device", ""}, R"(invalid --device "": expected a device path)");
        row("stray argument", {"/dev/pts/3"}, R"(unexpected argument "/dev/pts/3")");
    }
    void badValues_areRefusedWithTheReason()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        const SimCommandLine line = parse(options);
        QCOMPARE(line.action, SimCommandLine::Action::Fail);
        QCOMPARE(line.text, message);
    }

    void unknownOption_isNamed()
    {
        const SimCommandLine line = parse({"--baud", "9600"});
        QCOMPARE(line.action, SimCommandLine::Action::Fail);
        QVERIFY2(line.text.contains("baud"), qPrintable(line.text));
    }

    void help_describesTheOutput()
    {
        for (const char* option : {"--help", "-h", "--help-all"}) {
            const SimCommandLine line = parse({option});
            QCOMPARE(line.action, SimCommandLine::Action::ShowHelp);
            QVERIFY(line.text.contains(QStringLiteral("quelvane-sim: device PATH")));
            QVERIFY(line.text.contains(QStringLiteral("--corrupt")));
            QVERIFY(line.text.contains(QStringLiteral("0x01 is relay 1")));
            QVERIFY(line.text.contains(QStringLiteral("--state <A=MASK>")));
            QVERIFY(line.text.contains(QStringLiteral("--stuck <A:MASK>")));
        }
    }

    void deviceLine_namesThePath()
    {
        QCOMPARE(DeviceLine(QStringLiteral("/dev/pts/5")),
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
        QCOMPARE(FormatTraceLine(TraceDirection(direction), 2003, bytes), expected);
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
        QCOMPARE(StoppedLine(counters),
                 QStringLiteral("quelvane-sim: stopped frames=4 skipped=3 status=2 switch=1 "
                                "replies=1 dropped=1 corrupted=5 lost=6"));
    }
};

QTEST_GUILESS_MAIN(TestSimCommandLine)
#include "tst_simcommandline.moc"
