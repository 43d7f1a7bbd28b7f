#pragma once

#include <QAccessibleWidget>

// A widget as assistive technology sees it, with one action of its own (press, toggle, …).
// The action is offered while the widget is enabled and runs from the event loop, as a click
// does: the caller is answered at once however long the widget's handlers wait, and a widget
// disabled by then takes no action, as it would take no click.
class ActionAccessible : public QAccessibleWidget
{
public:
    using Action = void (*)(QWidget* widget);

    ActionAccessible(QWidget* widget, QAccessible::Role role, const QString& actionName,
                     Action action);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    const QString actionName_;
    const Action action_;
};
