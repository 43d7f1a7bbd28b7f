#pragma once

#include <array>
#include <optional>

#include <QRect>
#include <QString>

#include "components/TColor.h"

// The five labels of a floor screen's group "楼层切换": four lead to the other floors in
// ascending order, Label38 to the main screen.
struct NavigationLabelRow
{
    const char* name;
    QRect rect;   // in the group box
    TColor color; // of the text
    // Which of the floor's four other floors, lowest first; none for the main screen.
    std::optional<int> otherFloorIndex;
};

extern const std::array<NavigationLabelRow, 5> NavigationLabels;

// The floor a label of the given floor's screen leads to, MainScreenFloor for the main
// screen; none for a name that is not a navigation label.
std::optional<int> NavigationTarget(int floor, const QString& labelName);
// The title caption of the target floor, or the main screen's title.
QString NavigationCaption(int floor, const NavigationLabelRow& label);
