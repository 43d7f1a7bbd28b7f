#include "datalink/iOPCTime.h"

#include <cmath>

namespace {

constexpr double MSecsPerDay = 86400000.0;
// File-time intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t UnixEpochFileTime = 116444736000000000ULL;

QDate dayZero()
{
    return QDate(1899, 12, 30);
}

} // namespace

double OPCDateTimeFromLocal(const QDateTime& local)
{
    const qint64 days = dayZero().daysTo(local.date());
    const double fraction = local.time().msecsSinceStartOfDay() / MSecsPerDay;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

QDateTime OPCLocalFromDateTime(double days)
{
    if (!std::isfinite(days) || std::fabs(days) > 3000000.0)
        return QDateTime();
    const double whole = std::trunc(days);
    auto msecs = static_cast<int>(std::llround(std::fabs(days - whole) * MSecsPerDay));
    QDate date = dayZero().addDays(static_cast<qint64>(whole));
    // A fraction that rounds up to a whole day is the next midnight.
    if (msecs >= MSecsPerDay) {
        msecs = 0;
        date = date.addDays(1);
    }
    if (date.year() < 1 || date.year() > 9999)
        return QDateTime();
    // The value is a wall-clock time: elapsed time added to midnight would be an hour off on
    // the days the clocks change.
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(msecs));
}

double OPCTimeStampFromFileTime(std::uint64_t fileTime)
{
    if (fileTime == 0)
        return 0;
    if (fileTime < 0x8000000000000000ULL) {
        const qint64 ticks = static_cast<qint64>(fileTime) - static_cast<qint64>(UnixEpochFileTime);
        const qint64 msecs = ticks / 10000 - (ticks % 10000 < 0 ? 1 : 0);
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toLocalTime();
        if (local.isValid() && local.date().year() <= 9999)
            return OPCDateTimeFromLocal(local);
    }
    return OPCDateTimeFromLocal(QDateTime::currentDateTime());
}
