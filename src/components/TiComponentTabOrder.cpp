// TiComponent's place in the focus chain among its siblings.
#include "components/TiComponentPrivate.h"

namespace {

// Only controls that can hold the focus have a place in the tab order, as windowed controls
// have and labels and shapes do not. An instrument counts even without its tab stop: a press
// still gives it the focus.
bool takesPartInTabOrder(const QWidget* widget)
{
    return qobject_cast<const TiComponent*>(widget) || widget->focusPolicy() != Qt::NoFocus;
}

} // namespace

QList<QWidget*> TiComponent::tabSiblings() const
{
    QList<QWidget*> siblings;
    QWidget* parent = parentWidget();
    if (!parent)
        return siblings;
    for (QWidget* w = parent->nextInFocusChain(); w && w != parent; w = w->nextInFocusChain()) {
        if (w->parentWidget() == parent && takesPartInTabOrder(w))
            siblings << w;
    }
    return siblings;
}

int TiComponent::TabOrder() const
{
    return int(tabSiblings().indexOf(const_cast<TiComponent*>(this)));
}

void TiComponent::SetTabOrder(int value)
{
    QList<QWidget*> siblings = tabSiblings();
    const qsizetype current = siblings.indexOf(this);
    if (current < 0)
        return;
    siblings.removeAt(current);
    const qsizetype wanted = value < 0 || value > siblings.size() ? siblings.size() : value;
    if (wanted == current)
        return;
    siblings.insert(wanted, this);
    // Qt leaves the order as it is when the first of a pair ends the window's focus chain; a
    // placeholder behind them all keeps every pair inside the chain.
    QWidget placeholder(parentWidget());
    placeholder.setFocusPolicy(Qt::TabFocus);
    for (qsizetype i = 1; i < siblings.size(); ++i)
        QWidget::setTabOrder(siblings[i - 1], siblings[i]);
}

bool TiComponent::TabStop() const
{
    return focusPolicy() & Qt::TabFocus;
}

void TiComponent::SetTabStop(bool value)
{
    // Never Qt's click focus: only a left press takes the focus, and the hooks decide that.
    setFocusPolicy(value ? Qt::TabFocus : Qt::NoFocus);
}
