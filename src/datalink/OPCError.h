#pragma once

#include <QString>

#include <stdexcept>

// The one failure type of the data link: every error it raises carries one of the link's fixed
// English texts, sometimes followed by the cause's own message.
class OPCError : public std::runtime_error
{
public:
    explicit OPCError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString Message() const { return QString::fromUtf8(what()); }
};
