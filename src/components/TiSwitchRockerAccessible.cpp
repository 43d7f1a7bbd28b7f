#include "components/TiSwitchRockerAccessible.h"

#include <exception>

#include "components/TiSwitchRocker.h"

TiSwitchRockerAccessible::TiSwitchRockerAccessible(TiSwitchRocker* rocker)
    : ActionAccessible(rocker, QAccessible::CheckBox, toggleAction(), ToggleAsUser)
{}

QAccessible::State TiSwitchRockerAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = static_cast<TiSwitchRocker*>(widget())->Active();
    return state;
}

void TiSwitchRockerAccessible::ToggleAsUser(QWidget* rocker)
{
    try {
        static_cast<TiSwitchRocker*>(rocker)->UserToggle();
    } catch (const std::exception&) {
        // Input never fails, as with the mouse and the keyboard; the new state stays.
    }
}
