#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// The line trace for maintainers: category "quelvane.line", off unless enabled through Qt's
// rules (QT_LOGGING_RULES="quelvane.line.debug=true"). It goes where Qt's messages go, standard
// error; the station keeps no file of it.
Q_DECLARE_LOGGING_CATEGORY(lcLine)

// "14:03:07.251": the wall-clock time, to the millisecond, that every trace line starts with.
QString LineTraceTime();

// Bytes as the trace shows them: "aa 01 09 00".
QString LineTraceHex(const QByteArray& bytes);

// One trace line. The text is made only while the trace is on, so a quiet line costs nothing.
template <typename MakeText> void TraceLine(MakeText&& makeText)
{
    if (lcLine().isDebugEnabled())
        qCDebug(lcLine).noquote() << LineTraceTime() << makeText();
}
