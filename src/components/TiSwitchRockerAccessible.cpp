#include "components/TiSwitchRockerAccessible.h"

#include "components/SwallowErrors.h"
#include "components/TiSwitchRocker.h"

TiSwitchRockerAccessible::TiSwitchRockerAccessible(TiSwitchRocker* rocker)
    : ActionAccessible(rocker, QAccessible::CheckBox, toggleAction(), toggleAsUser)
{}

QAccessible::State TiSwitchRockerAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = static_cast<TiSwitchRocker*>(widget())->Active();
    return state;
}

void TiSwitchRockerAccessible::toggleAsUser(QWidget* rocker)
{
    // The new state stays when a handler fails, as with the mouse and the keyboard.
    SwallowErrors([rocker] { static_cast<TiSwitchRocker*>(rocker)->userToggle(); });
}
