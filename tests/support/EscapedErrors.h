#pragma once

#include <QStringList>

#include <exception>

// An application that keeps the message of every error escaping an event handler, where the
// station's own shows it in its error box.
template <typename Application> struct EscapedErrors : Application
{
    using Application::Application;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return Application::notify(receiver, event);
        } catch (const std::exception& error) {
            messages.append(QString::fromUtf8(error.what()));
        }
        return false;
    }

    QStringList messages;
};
