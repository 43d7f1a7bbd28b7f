#include "sim/SimOutput.h"

#include "sim/BuildingBus.h"

QString DeviceLine(const QString& devicePath)
{
    return QStringLiteral("quelvane-sim: device %1").arg(devicePath);
}

static QString directionWord(TraceDirection direction)
{
    switch (direction) {
    case TraceDirection::Received:
        return QStringLiteral("rx");
    case TraceDirection::Sent:
        return QStringLiteral("tx");
    case TraceDirection::Dropped:
        return QStringLiteral("drop");
    }
    return QString();
}

QString FormatTraceLine(TraceDirection direction, qint64 atMs, QByteArrayView bytes)
{
    return QStringLiteral("%1 %2 %3")
        .arg(directionWord(direction))
        .arg(atMs)
        .arg(QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper()));
}

QString StoppedLine(const BusCounters& counters)
{
    return QStringLiteral("quelvane-sim: stopped frames=%1 skipped=%2 status=%3 switch=%4 "
                          "replies=%5 dropped=%6 corrupted=%7 lost=%8")
        .arg(counters.framesReceived)
        .arg(counters.bytesSkipped)
        .arg(counters.statusRequests)
        .arg(counters.switchCommands)
        .arg(counters.repliesSent)
        .arg(counters.repliesDropped)
        .arg(counters.repliesCorrupted)
        .arg(counters.bytesLost);
}
