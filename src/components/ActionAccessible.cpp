#include "components/ActionAccessible.h"

#include <QWidget>

ActionAccessible::ActionAccessible(QWidget* widget, QAccessible::Role role,
                                   const QString& actionName, Action action)
    : QAccessibleWidget(widget, role), actionName_(actionName), action_(action)
{}

QStringList ActionAccessible::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << actionName_;
    return names + QAccessibleWidget::actionNames();
}

void ActionAccessible::doAction(const QString& actionName)
{
    if (actionName != actionName_) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    QWidget* target = widget();
    QMetaObject::invokeMethod(
        target,
        [target, action = action_] {
            if (target->isEnabled())
                action(target);
        },
        Qt::QueuedConnection);
}
