#include "floors/ClickLabelAccessible.h"

#include "floors/ClickLabel.h"

namespace {
void click(QWidget* widget)
{
    auto* label = static_cast<ClickLabel*>(widget);
    if (label->OnClick)
        label->OnClick(label);
}
} // namespace

ClickLabelAccessible::ClickLabelAccessible(ClickLabel* label)
    : ActionAccessible(label, QAccessible::Link, pressAction(), click)
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
