#pragma once

#include "components/ActionAccessible.h"

class TiSwitchRocker;

// A rocker switch as assistive technology sees it: a check box, checked while Active, whose
// toggle action flips it as the operator's press does (OnChange and OnChangeUser fire). The
// name is not the switch's to know: it is the accessible name, or the text of the label whose
// buddy the switch is, both set by whoever places it.
class TiSwitchRockerAccessible : public ActionAccessible
{
public:
    explicit TiSwitchRockerAccessible(TiSwitchRocker* rocker);

    QAccessible::State state() const override;

private:
    static void toggleAsUser(QWidget* rocker);
};
