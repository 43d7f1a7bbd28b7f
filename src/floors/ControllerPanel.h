#pragma once

#include <vector>

#include "components/TEvents.h"
#include "floors/BevelPanel.h"
#include "floors/FloorTable.h"

class TShape;
class TiSwitchRocker;

// One controller's panel of a floor screen: per relay a label, an indicator and a switch,
// and the controller's caption under the switches.
class ControllerPanel : public BevelPanel
{
    Q_OBJECT

public:
    // Every switch of the panel reports its changes to onChange.
    ControllerPanel(int floor, PanelPosition position, const TNotifyEvent& onChange,
                    QWidget* parent);

    PanelPosition Position() const { return position_; }
    int Address() const { return address_; }
    // Bit order: the first shape shows bit 1.
    const std::vector<TShape*>& Indicators() const { return indicators_; }
    // Column 1 first.
    const std::vector<TiSwitchRocker*>& Switches() const { return switches_; }

private:
    const PanelPosition position_;
    const int address_;
    std::vector<TShape*> indicators_;
    std::vector<TiSwitchRocker*> switches_;
};
