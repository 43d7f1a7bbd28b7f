#pragma once

#include <vector>

#include "floors/BevelPanel.h"
#include "floors/FloorTable.h"

class TShape;

// One controller's panel of a floor screen: per relay a label, an indicator and a switch,
// and the controller's caption under the switches.
class ControllerPanel : public BevelPanel
{
    Q_OBJECT

public:
    ControllerPanel(int floor, PanelPosition position, QWidget* parent);

    PanelPosition Position() const { return position_; }
    int Address() const { return address_; }
    // Bit order: the first shape shows bit 1.
    const std::vector<TShape*>& Indicators() const { return indicators_; }

private:
    const PanelPosition position_;
    const int address_;
    std::vector<TShape*> indicators_;
};
