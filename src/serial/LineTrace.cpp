#include "serial/LineTrace.h"

#include <QTime>

Q_LOGGING_CATEGORY(lcLine, "quelvane.line", QtInfoMsg)

QString LineTraceTime()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString LineTraceHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}
