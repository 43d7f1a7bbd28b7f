#include "components/TiSwitchRockerAccessible.h"

#include <exception>

#include "components/TiSwitchRocker.h"

TiSwitchRockerAccessible::TiSwitchRockerAccessible(TiSwitchRocker* rocker)
    : QAccessibleWidget(rocker, QAccessible::CheckBox)
{}

QAccessible::State TiSwitchRockerAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = static_cast<TiSwitchRocker*>(widget())->Active();
    return state;
}

QStringList TiSwitchRockerAccessible::actionNames() const
{
    QStringList names;
    if (widget()->isEnabled())
        names << toggleAction();
    return names + QAccessibleWidget::actionNames();
}

void TiSwitchRockerAccessible::doAction(const QString& actionName)
{
    if (actionName != toggleAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // The caller is answered at once and the toggle runs from the event loop, as a click does:
    // the change handlers wait seconds for the line, and the assistive client must not.
    auto* rocker = static_cast<TiSwitchRocker*>(widget());
    QMetaObject::invokeMethod(
        rocker, [rocker] { ToggleAsUser(rocker); }, Qt::QueuedConnection);
}

void TiSwitchRockerAccessible::ToggleAsUser(TiSwitchRocker* rocker)
{
    // Checked when the toggle runs: a disabled switch takes no input.
    if (!rocker->isEnabled())
        return;
    try {
        rocker->UserToggle();
    } catch (const std::exception&) {
        // Input never fails, as with the mouse and the keyboard; the new state stays.
    }
}
