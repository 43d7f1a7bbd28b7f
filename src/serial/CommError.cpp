#include "serial/CommError.h"

#include <cstring>

CommError::CommError(const QString& message, int systemError)
    : std::runtime_error(message.toStdString()), systemError_(systemError)
{}

CommError CommError::FromErrno(const QString& what, int err)
{
    return CommError(what + QStringLiteral(": ") + SystemErrorText(err), err);
}

QString SystemErrorText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}
