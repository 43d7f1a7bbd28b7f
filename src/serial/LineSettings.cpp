#include "serial/LineSettings.h"

#include "serial/CommError.h"
#include "serial/TermiosSettings.h"

#include <QStringList>

#include <algorithm>

namespace {

[[noreturn]] void Reject(const QString& text, const char* why)
{
    throw CommError(QStringLiteral("Invalid property value: Settings \"%1\" (%2)")
                        .arg(text, QString::fromLatin1(why)));
}

bool allDigits(const QString& field)
{
    return !field.isEmpty() &&
           std::all_of(field.begin(), field.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

bool IsSupportedBaud(int baud)
{
    return SpeedForBaud(baud).has_value();
}

LineSettings ParseSettings(const QString& text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        Reject(text, "expected baud,parity,data bits,stop bits");

    LineSettings settings;

    bool ok = false;
    settings.baud = allDigits(fields[0]) ? fields[0].toInt(&ok) : 0;
    if (!ok || !IsSupportedBaud(settings.baud))
        Reject(text, "unsupported baud rate");

    const QString parity = fields[1].toLower();
    if (parity == u"n")
        settings.parity = Parity::None;
    else if (parity == u"e")
        settings.parity = Parity::Even;
    else if (parity == u"o")
        settings.parity = Parity::Odd;
    else if (parity == u"m")
        settings.parity = Parity::Mark;
    else if (parity == u"s")
        settings.parity = Parity::Space;
    else
        Reject(text, "parity must be n, e, o, m or s");

    if (fields[2].size() != 1 || fields[2][0] < u'5' || fields[2][0] > u'8')
        Reject(text, "data bits must be 5 to 8");
    settings.dataBits = fields[2].toInt();

    if (fields[3] == u"1")
        settings.stopBits = StopBits::One;
    else if (fields[3] == u"1.5")
        settings.stopBits = StopBits::OnePointFive;
    else if (fields[3] == u"2")
        settings.stopBits = StopBits::Two;
    else
        Reject(text, "stop bits must be 1, 1.5 or 2");

    if (settings.stopBits == StopBits::OnePointFive && settings.dataBits != 5)
        Reject(text, "1.5 stop bits go only with 5 data bits");
    if (settings.stopBits == StopBits::Two && settings.dataBits == 5)
        Reject(text, "5 data bits go with 1 or 1.5 stop bits");

    return settings;
}
