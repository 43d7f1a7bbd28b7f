#include "floors/NavigationLabels.h"

#include "floors/FloorTable.h"

namespace {
constexpr QSize FloorLabelSize{200, 19};
constexpr QSize MainLabelSize{180, 19};

int targetOf(int floor, const NavigationLabelRow& label)
{
    if (!label.otherFloorIndex)
        return MainScreenFloor;
    RequireFloor(floor);
    const int target = *label.otherFloorIndex + 1;
    return target < floor ? target : target + 1;
}
} // namespace

const std::array<NavigationLabelRow, 5> NavigationLabels{{
    {"Label26", QRect(QPoint(49, 27), FloorLabelSize), clFuchsia, 0},
    {"Label27", QRect(QPoint(541, 27), FloorLabelSize), clTeal, 1},
    {"Label28", QRect(QPoint(49, 90), FloorLabelSize), clBlue, 2},
    {"Label29", QRect(QPoint(541, 90), FloorLabelSize), clMaroon, 3},
    {"Label38", QRect(QPoint(296, 60), MainLabelSize), clRed, std::nullopt},
}};

std::optional<int> NavigationTarget(int floor, const QString& labelName)
{
    for (const NavigationLabelRow& label : NavigationLabels) {
        if (labelName == QLatin1String(label.name))
            return targetOf(floor, label);
    }
    return std::nullopt;
}

QString NavigationCaption(int floor, const NavigationLabelRow& label)
{
    const int target = targetOf(floor, label);
    if (target == MainScreenFloor)
        return QString::fromUtf8(MainScreenTitleCaption);
    return QString::fromUtf8(FloorRowOf(target).titleCaption);
}
