#pragma once

#include <QByteArrayView>
#include <QString>

struct BusCounters;

// The lines quelvane-sim prints, none with a line ending.

// The first line, the one scripts look for: "quelvane-sim: device PATH".
QString DeviceLine(const QString& devicePath);

enum class TraceDirection
{
    Received, // from the station to the boards
    Sent,     // from the boards to the station
    Dropped,  // a reply the bus withheld
};

// "rx", "tx" or "drop", the milliseconds since the bus opened, then the bytes in upper-case
// hex separated by spaces.
QString FormatTraceLine(TraceDirection direction, qint64 atMs, QByteArrayView bytes);

// The last line: "quelvane-sim: stopped" and the counters as name=value.
QString StoppedLine(const BusCounters& counters);
