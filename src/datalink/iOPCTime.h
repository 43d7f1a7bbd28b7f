#pragma once

#include <QDateTime>

#include <cstdint>

// Date-times as the link keeps them: days since 1899-12-30 in local time, the fraction the
// time of day (before that day the whole part counts backwards and the fraction still forwards).
double OPCDateTimeFromLocal(const QDateTime& local);
// An invalid date-time for a value outside the years 1 to 9999.
QDateTime OPCLocalFromDateTime(double days);

// A server's time stamp, a UTC file time: 0 gives 0; a time that cannot be converted (beyond
// the file-time range or the year 9999) gives the current local time.
double OPCTimeStampFromFileTime(std::uint64_t fileTime);
