#pragma once

#include <QString>

#include <stdexcept>

// The one failure type of the serial control. Every property access that the station's code says
// "may fail with an error carrying the control's message" throws this; for a failing system
// call the message holds the system's own text (strerror) and systemError() its errno.
class CommError : public std::runtime_error
{
public:
    explicit CommError(const QString& message, int systemError = 0);

    // "<what>: <system's text>", e.g. "Cannot open COM1 (/dev/ttyS0): No such file or directory".
    static CommError FromErrno(const QString& what, int err);

    QString Message() const { return QString::fromUtf8(what()); }
    int SystemError() const { return systemError_; }

private:
    int systemError_ = 0;
};

// The system's text for an errno value, as strerror gives it.
QString SystemErrorText(int err);
