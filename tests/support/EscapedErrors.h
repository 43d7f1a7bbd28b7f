#pragma once

#include <QString>
#include <QStringList>

#include <exception>

class QEvent;
class QObject;

// An application that keeps the message of every error escaping an event handler, where the
// station's own shows it in its error box.
template <typename Application> class EscapedErrors : public Application
{
public:
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
