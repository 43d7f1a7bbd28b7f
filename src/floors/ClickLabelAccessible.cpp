#include "floors/ClickLabelAccessible.h"

#include "floors/ClickLabel.h"

ClickLabelAccessible::ClickLabelAccessible(ClickLabel* label)
    : QAccessibleWidget(label, QAccessible::Link)
{}

QString ClickLabelAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    if (!widget()->accessibleName().isEmpty())
        return widget()->accessibleName();
    // An upright caption stands one character a line; it is read as the words it spells.
    QString caption = static_cast<const ClickLabel*>(widget())->text();
    caption.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return caption;
}

QStringList ClickLabelAccessible::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << pressAction();
    return names + QAccessibleWidget::actionNames();
}

void ClickLabelAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // Run from the event loop, as a click is: a navigation waits seconds for the line, and
    // the assistive client is answered at once.
    auto* label = static_cast<ClickLabel*>(widget());
    QMetaObject::invokeMethod(
        label,
        [label] {
            // A disabled label, such as one whose navigation runs, cannot be clicked.
            if (label->isEnabled() && label->OnClick)
                label->OnClick(label);
        },
        Qt::QueuedConnection);
}
