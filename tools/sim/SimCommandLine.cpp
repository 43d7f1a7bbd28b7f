#include "sim/SimCommandLine.h"

#include <QCommandLineParser>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

const char* const Description = R"(Simulates the building's 21 relay boards on one serial line.

Without --device it opens a pseudo-terminal and serves its slave side; point a COM name at
it (QUELVANE_COM1=/dev/pts/N). The slave stays usable while the station closes and reopens it.

Standard output:
  quelvane-sim: device PATH   the first line, once the line is open
  rx MS HEX...                with --trace: a frame from the station
  tx MS HEX...                with --trace: bytes sent to the station (one line per piece)
  drop MS HEX...              with --trace: a reply withheld by --drop
  quelvane-sim: stopped ...   the last line, with the counters as NAME=COUNT
MS counts milliseconds from the opening of the line; HEX is upper case, one byte a word.

A MASK is decimal or 0x-prefixed hex; bits beyond a board's relays are ignored. Boards 1 to 21:
5 relays on board 1, 7 on boards 5, 9, 13, 17 and 21, 8 on the others.
Exit status: 0 after SIGINT or SIGTERM, 1 when the line cannot be opened or breaks,
2 for bad options.)";

struct Addressed
{
    int address = 0; // 0 stands for every board
    int value = 0;
};

std::optional<int> parseNumber(const QString& text, int min, int max)
{
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    bool ok = false;
    const int value = (hex ? text.mid(2) : text).toInt(&ok, hex ? 16 : 10);
    if (!ok || value < min || value > max || (hex && text.size() == 2))
        return std::nullopt;
    return value;
}

std::optional<int> parseAddress(const QString& text)
{
    return parseNumber(text, FirstControllerAddress, LastControllerAddress);
}

// "A=MASK" or "A:MASK"; "all" for A when allowed.
std::optional<Addressed> parseAddressed(const QString& text, bool allowAll)
{
    const auto separator =
        std::find_if(text.begin(), text.end(),
                     [](QChar c) { return c == QLatin1Char('=') || c == QLatin1Char(':'); }) -
        text.begin();
    if (separator == text.size())
        return std::nullopt;
    const QString address = text.left(separator);
    const auto mask = parseNumber(text.mid(separator + 1), 0, 0xFF);
    if (!mask)
        return std::nullopt;
    if (allowAll && address == QLatin1String("all"))
        return Addressed{0, *mask};
    const auto board = parseAddress(address);
    if (!board)
        return std::nullopt;
    return Addressed{*board, *mask};
}

struct Range
{
    int min;
    int max;
};

// "FIRST:SECOND", or "FIRST" alone where the second has a default.
std::optional<std::pair<int, int>> parsePair(const QString& text, Range first, Range second,
                                             std::optional<int> secondDefault)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 2 || (parts.size() == 1 && !secondDefault))
        return std::nullopt;
    const auto firstValue = parseNumber(parts[0], first.min, first.max);
    const auto secondValue =
        parts.size() == 2 ? parseNumber(parts[1], second.min, second.max) : secondDefault;
    if (!firstValue || !secondValue)
        return std::nullopt;
    return std::pair{*firstValue, *secondValue};
}

QString invalid(const QString& option, const QString& value, const QString& expected)
{
    return QStringLiteral("invalid --%1 \"%2\": expected %3").arg(option, value, expected);
}

constexpr int MaxEvery = 1000000;
constexpr int LastByte = static_cast<int>(ControllerFrameLayout::Checksum);

} // namespace

SimCommandLine parseSimCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Serve the tty PATH (raw, 9600 8N1) instead of "
                                                   "a pseudo-terminal."),
                                    QStringLiteral("PATH"));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Answer a status request MS milliseconds after "
                                                  "it arrived (0 to 60000, default 5)."),
                                   QStringLiteral("MS"));
    const QCommandLineOption state(QStringLiteral("state"),
                                   QStringLiteral("Start board A (1 to 21, or all) with the relays "
                                                  "of MASK on. Repeatable; later wins."),
                                   QStringLiteral("A=MASK"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Board A never answers (it still switches). "
                                                   "Repeatable."),
                                    QStringLiteral("A"));
    const QCommandLineOption stuck(QStringLiteral("stuck"),
                                   QStringLiteral("The relays of MASK on board A ignore switch "
                                                  "commands. Repeatable."),
                                   QStringLiteral("A:MASK"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send every reply as its first BYTES bytes "
                                                  "(1 to 25), then the rest GAPMS later."),
                                   QStringLiteral("BYTES:GAPMS"));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"),
                                     QStringLiteral("Invert byte BYTE (0 to 25, default 25: the "
                                                    "checksum) of every Nth reply; 19 spoils the "
                                                    "relay states."),
                                     QStringLiteral("N[:BYTE]"));
    const QCommandLineOption drop(
        QStringLiteral("drop"), QStringLiteral("Never send every Nth reply."), QStringLiteral("N"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Print every frame on standard output."));
    parser.addOptions({device, delay, state, silent, stuck, split, corrupt, drop, trace});

    SimCommandLine result;
    const auto fail = [&result](QString reason) {
        result.action = SimCommandLine::Action::Fail;
        result.text = std::move(reason);
        return result;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.action = SimCommandLine::Action::ShowHelp;
        result.text = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));

    SimOptions& options = result.options;
    RelayBoards& boards = options.config.boards;
    ReplyFaults& faults = options.config.faults;
    options.devicePath = parser.value(device);
    if (parser.isSet(device) && options.devicePath.isEmpty())
        return fail(
            invalid(QStringLiteral("device"), options.devicePath, QStringLiteral("a device path")));
    options.trace = parser.isSet(trace);
    if (parser.isSet(delay)) {
        const auto ms = parseNumber(parser.value(delay), 0, ReplyFaults::MaxDelayMs);
        if (!ms)
            return fail(invalid(QStringLiteral("delay"), parser.value(delay),
                                QStringLiteral("milliseconds from 0 to 60000")));
        faults.replyDelayMs = *ms;
    }
    for (const QString& value : parser.values(state)) {
        const auto parsed = parseAddressed(value, true);
        if (!parsed)
            return fail(invalid(QStringLiteral("state"), value, QStringLiteral("A=MASK")));
        if (parsed->address == 0)
            boards.setAllStates(static_cast<std::uint8_t>(parsed->value));
        else
            boards.setStates(parsed->address, static_cast<std::uint8_t>(parsed->value));
    }
    for (const QString& value : parser.values(silent)) {
        const auto address = parseAddress(value);
        if (!address)
            return fail(invalid(QStringLiteral("silent"), value, QStringLiteral("a board 1-21")));
        boards.setSilent(*address, true);
    }
    for (const QString& value : parser.values(stuck)) {
        const auto parsed = parseAddressed(value, false);
        if (!parsed)
            return fail(invalid(QStringLiteral("stuck"), value, QStringLiteral("A:MASK")));
        boards.setStuck(parsed->address,
                        static_cast<std::uint8_t>(boards.stuck(parsed->address) | parsed->value));
    }
    if (parser.isSet(split)) {
        const auto parsed = parsePair(parser.value(split), {1, LastByte},
                                      {0, ReplyFaults::MaxDelayMs}, std::nullopt);
        if (!parsed)
            return fail(invalid(QStringLiteral("split"), parser.value(split),
                                QStringLiteral("BYTES:GAPMS")));
        faults.splitAfterBytes = parsed->first;
        faults.splitGapMs = parsed->second;
    }
    if (parser.isSet(corrupt)) {
        const auto parsed =
            parsePair(parser.value(corrupt), {1, MaxEvery}, {0, LastByte}, LastByte);
        if (!parsed)
            return fail(invalid(QStringLiteral("corrupt"), parser.value(corrupt),
                                QStringLiteral("N[:BYTE]")));
        faults.corruptEvery = parsed->first;
        faults.corruptByte = parsed->second;
    }
    if (parser.isSet(drop)) {
        const auto every = parseNumber(parser.value(drop), 1, MaxEvery);
        if (!every)
            return fail(invalid(QStringLiteral("drop"), parser.value(drop),
                                QStringLiteral("a count from 1")));
        faults.dropEvery = *every;
    }
    return result;
}
