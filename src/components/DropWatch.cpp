#include "components/DropWatch.h"

#include <QCoreApplication>
#include <QDropEvent>

DropWatch::DropWatch()
{
    QCoreApplication::instance()->installEventFilter(this);
}

QPoint DropWatch::PositionIn(const QObject* target) const
{
    return positions_.value(target);
}

bool DropWatch::eventFilter(QObject* watched, QEvent* event)
{
    // Qt offers a refused drop to the parents in turn, each in its own coordinates.
    if (event->type() == QEvent::Drop)
        positions_.insert(watched, static_cast<QDropEvent*>(event)->position().toPoint());
    return false;
}
