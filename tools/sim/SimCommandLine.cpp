#include "sim/SimCommandLine.h"

#include <QCommandLineParser>

#include <optional>
#include <stdexcept>
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

A MASK is decimal or 0x-prefixed hex, one bit a relay: 0x01 is relay 1, 0x02 relay 2, up to
0x80 for relay 8; bits beyond a board's relays are ignored. Boards 1 to 21: 5 relays on board 1,
7 on boards 5, 9, 13, 17 and 21, 8 on the others, as the station's screens show them.
Exit status: 0 after SIGINT or SIGTERM, 1 when the line cannot be opened or breaks,
2 for bad options.)";

// A value an option cannot take; the text names the reason.
class BadValue : public std::runtime_error
{
public:
    explicit BadValue(const QString& reason) : std::runtime_error(reason.toStdString()) {}
    QString Reason() const { return QString::fromStdString(what()); }
};

// A number inside an option's value: its name in messages and the range it must lie in.
struct Field
{
    const char* name;
    int min;
    int max;
    bool hexLimits = false; // masks are spoken of in hex
};

QString limitText(int limit, bool hex)
{
    return hex ? QStringLiteral("0x") +
                     QStringLiteral("%1").arg(limit, 2, 16, QLatin1Char('0')).toUpper()
               : QString::number(limit);
}

// Decimal, or hex after "0x"; none for anything else.
std::optional<qlonglong> toNumber(const QString& text)
{
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    bool ok = false;
    const qlonglong value = (hex ? text.mid(2) : text).toLongLong(&ok, hex ? 16 : 10);
    if (!ok || (hex && text.size() == 2))
        return std::nullopt;
    return value;
}

int parseNumber(const QString& text, const Field& field)
{
    const std::optional<qlonglong> value = toNumber(text);
    if (!value)
        throw BadValue(QStringLiteral("%1 \"%2\" is not a number").arg(field.name, text));
    if (*value > field.max)
        throw BadValue(QStringLiteral("%1 %2 is above %3")
                           .arg(field.name, text, limitText(field.max, field.hexLimits)));
    if (*value < field.min)
        throw BadValue(QStringLiteral("%1 %2 is below %3")
                           .arg(field.name, text, limitText(field.min, field.hexLimits)));
    return static_cast<int>(*value);
}

int parseBoard(const QString& text)
{
    const std::optional<qlonglong> address = toNumber(text);
    if (!address)
        throw BadValue(QStringLiteral("board \"%1\" is not a number").arg(text));
    if (*address < FirstControllerAddress || *address > LastControllerAddress)
        throw BadValue(QStringLiteral("board %1 is not %2 to %3")
                           .arg(text)
                           .arg(FirstControllerAddress)
                           .arg(LastControllerAddress));
    return static_cast<int>(*address);
}

struct Addressed
{
    int address = 0; // 0 stands for every board
    int mask = 0;
};

// "A" separator "MASK"; "all" for A where allowed.
Addressed parseAddressed(const QString& text, QChar separator, bool allowAll)
{
    const qsizetype at = text.indexOf(separator);
    if (at < 0)
        throw BadValue(
            QStringLiteral("expected A%1MASK (\"%1\" between board and mask)").arg(separator));
    const QString address = text.left(at);
    const int mask = parseNumber(text.mid(at + 1), {"mask", 0, 0xFF, true});
    if (address == QLatin1String("all")) {
        if (!allowAll)
            throw BadValue(QStringLiteral("name one board, %1 to %2")
                               .arg(FirstControllerAddress)
                               .arg(LastControllerAddress));
        return {0, mask};
    }
    return {parseBoard(address), mask};
}

// "FIRST:SECOND", or "FIRST" alone where the second has a default.
std::pair<int, int> parsePair(const QString& text, const QString& form, const Field& first,
                              const Field& second, std::optional<int> secondDefault)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 2 || (parts.size() == 1 && !secondDefault))
        throw BadValue(QStringLiteral("expected %1").arg(form));
    const int firstValue = parseNumber(parts[0], first);
    return {firstValue, parts.size() == 2 ? parseNumber(parts[1], second) : *secondDefault};
}

// Reads one value of an option; a value it cannot take is refused naming the option, the
// value and the reason.
template <typename Parse> auto readValue(const char* option, const QString& value, Parse parse)
{
    try {
        return parse(value);
    } catch (const BadValue& bad) {
        throw BadValue(QStringLiteral("invalid --%1 \"%2\": %3")
                           .arg(QLatin1String(option), value, bad.Reason()));
    }
}

constexpr int MaxEvery = 1000000;
constexpr int LastByte = static_cast<int>(ControllerFrameLayout::Checksum);

} // namespace

SimCommandLine ParseSimCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Print the version."));
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
                                                  "of MASK on; \"=\" between board and mask. "
                                                  "Repeatable; later wins."),
                                   QStringLiteral("A=MASK"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Board A never answers (it still switches). "
                                                   "Repeatable."),
                                    QStringLiteral("A"));
    const QCommandLineOption stuck(QStringLiteral("stuck"),
                                   QStringLiteral("The relays of MASK on board A (1 to 21) ignore "
                                                  "switch commands; \":\" between board and "
                                                  "mask. Repeatable."),
                                   QStringLiteral("A:MASK"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send every reply as its first BYTES bytes "
                                                  "(1 to 25), then the rest GAPMS later."),
                                   QStringLiteral("BYTES:GAPMS"));
    const QCommandLineOption corrupt(
        QStringLiteral("corrupt"),
        QStringLiteral("Invert byte BYTE (0 to 25) of every Nth reply. "
                       "The default, 25, is the checksum, which the "
                       "station overlooks in a reply that arrives alone; "
                       "19 spoils the relay states."),
        QStringLiteral("N[:BYTE]"));
    const QCommandLineOption drop(
        QStringLiteral("drop"), QStringLiteral("Never send every Nth reply."), QStringLiteral("N"));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Print every frame on standard output."));
    parser.addOptions({version, device, delay, state, silent, stuck, split, corrupt, drop, trace});

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
    if (parser.isSet(version)) {
        result.action = SimCommandLine::Action::ShowVersion;
        result.text = QStringLiteral("quelvane-sim " QUELVANE_VERSION);
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));

    SimOptions& options = result.options;
    RelayBoards& boards = options.config.boards;
    ReplyFaults& faults = options.config.faults;
    try {
        options.devicePath = parser.value(device);
        if (parser.isSet(device) && options.devicePath.isEmpty())
            throw BadValue(QStringLiteral("invalid --device \"\": expected a device path"));
        options.trace = parser.isSet(trace);
        if (parser.isSet(delay))
            faults.replyDelayMs = readValue("delay", parser.value(delay), [](const QString& v) {
                return parseNumber(v, {"delay", 0, ReplyFaults::MaxDelayMs});
            });
        for (const QString& value : parser.values(state)) {
            const Addressed parsed = readValue(
                "state", value, [](const QString& v) { return parseAddressed(v, '=', true); });
            if (parsed.address == 0)
                boards.SetAllStates(static_cast<std::uint8_t>(parsed.mask));
            else
                boards.SetStates(parsed.address, static_cast<std::uint8_t>(parsed.mask));
        }
        for (const QString& value : parser.values(silent))
            boards.SetSilent(readValue("silent", value, parseBoard), true);
        for (const QString& value : parser.values(stuck)) {
            const Addressed parsed = readValue(
                "stuck", value, [](const QString& v) { return parseAddressed(v, ':', false); });
            boards.SetStuck(parsed.address,
                            static_cast<std::uint8_t>(boards.Stuck(parsed.address) | parsed.mask));
        }
        if (parser.isSet(split)) {
            const auto [bytes, gapMs] =
                readValue("split", parser.value(split), [](const QString& v) {
                    return parsePair(v, QStringLiteral("BYTES:GAPMS"), {"bytes", 1, LastByte},
                                     {"gap", 0, ReplyFaults::MaxDelayMs}, std::nullopt);
                });
            faults.splitAfterBytes = bytes;
            faults.splitGapMs = gapMs;
        }
        if (parser.isSet(corrupt)) {
            const auto [every, byte] =
                readValue("corrupt", parser.value(corrupt), [](const QString& v) {
                    return parsePair(v, QStringLiteral("N[:BYTE]"), {"count", 1, MaxEvery},
                                     {"byte", 0, LastByte}, LastByte);
                });
            faults.corruptEvery = every;
            faults.corruptByte = byte;
        }
        if (parser.isSet(drop))
            faults.dropEvery = readValue("drop", parser.value(drop), [](const QString& v) {
                return parseNumber(v, {"count", 1, MaxEvery});
            });
    } catch (const BadValue& bad) {
        return fail(bad.Reason());
    }
    return result;
}
