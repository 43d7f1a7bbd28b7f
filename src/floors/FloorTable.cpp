#include "floors/FloorTable.h"

#include <stdexcept>

namespace {
using P = PanelPosition;

constexpr std::array<FloorRow, FloorCount> Floors{{
    {1, "Tfirstfrm", "firstfrm", "岚苑一层界面", "岚苑一层灯光监控界面", "读当前状态"},
    {2, "TSecondfrm", "Secondfrm", "岚苑二层界面", "岚苑二层灯光监控界面", "读取当前状态"},
    {3, "TThirdfrm", "Thirdfrm", "岚苑三层界面", "岚苑三层灯光监控界面", "读取当前状态"},
    {4, "TFourfrm", "Fourfrm", "岚苑四层界面", "岚苑四层灯光监控界面", "读取当前状态"},
    {5, "TFivefrm", "Fivefrm", "岚苑五层界面", "岚苑五层灯光监控界面", "读取当前状态"},
}};

// The same control names on every floor.
constexpr std::array<PanelRow, PanelsPerFloor> Panels{{
    {P::TopLeft,
     "Panel1",
     1,
     {"iSwitchRocker1", "iSwitchRocker2", "iSwitchRocker21", "iSwitchRocker22", "iSwitchRocker3",
      "iSwitchRocker4", "iSwitchRocker5", "iSwitchRocker29"}},
    {P::TopRight,
     "Panel3",
     9,
     {"iSwitchRocker11", "iSwitchRocker12", "iSwitchRocker23", "iSwitchRocker24", "iSwitchRocker13",
      "iSwitchRocker14", "iSwitchRocker15", "iSwitchRocker30"}},
    {P::BottomLeft,
     "Panel2",
     17,
     {"iSwitchRocker6", "iSwitchRocker7", "iSwitchRocker16", "iSwitchRocker17", "iSwitchRocker8",
      "iSwitchRocker9", "iSwitchRocker10", "iSwitchRocker31"}},
    {P::BottomRight,
     "Panel4",
     25,
     {"iSwitchRocker18", "iSwitchRocker19", "iSwitchRocker27", "iSwitchRocker28", "iSwitchRocker20",
      "iSwitchRocker25", "iSwitchRocker26", nullptr}},
}};

constexpr std::array<ControllerRow, FloorCount * PanelsPerFloor> Controllers{{
    {2, 1, P::TopLeft, "第二控制器", 8},       {3, 1, P::TopRight, "第三控制器", 8},
    {4, 1, P::BottomLeft, "第四控制器", 8},    {5, 1, P::BottomRight, "第五控制器", 7},
    {6, 2, P::TopLeft, "第六控制器", 8},       {7, 2, P::TopRight, "第七控制器", 8},
    {8, 2, P::BottomLeft, "第八控制器", 8},    {9, 2, P::BottomRight, "第九控制器", 7},
    {10, 3, P::TopLeft, "第十控制器", 8},      {11, 3, P::TopRight, "第十一控制器", 8},
    {12, 3, P::BottomLeft, "第十二控制器", 8}, {13, 3, P::BottomRight, "第十三控制器", 7},
    {14, 4, P::TopLeft, "第十四控制器", 8},    {15, 4, P::TopRight, "第十五控制器", 8},
    {16, 4, P::BottomLeft, "第十六控制器", 8}, {17, 4, P::BottomRight, "第十七控制器", 7},
    {18, 5, P::TopLeft, "第十八控制器", 8},    {19, 5, P::TopRight, "第十九控制器", 8},
    {20, 5, P::BottomLeft, "第二十控制器", 8}, {21, 5, P::BottomRight, "第二十一控制器", 7},
}};
} // namespace

void RequireFloor(int floor)
{
    if (floor < 1 || floor > FloorCount)
        throw std::out_of_range("no such floor");
}

const FloorRow& FloorRowOf(int floor)
{
    RequireFloor(floor);
    return Floors[std::size_t(floor - 1)];
}

const PanelRow& PanelRowOf(PanelPosition position)
{
    return Panels[std::size_t(position)];
}

const ControllerRow& ControllerOf(int floor, PanelPosition position)
{
    RequireFloor(floor);
    for (const ControllerRow& row : Controllers) {
        if (row.floor == floor && row.position == position)
            return row;
    }
    throw std::logic_error("floor panel without a controller");
}

std::optional<ControllerPlace> PlaceOfAddress(int address)
{
    if (address == MainScreenAddress)
        return ControllerPlace{MainScreenFloor, std::nullopt, MainScreenRelays};
    for (const ControllerRow& row : Controllers) {
        if (row.address == address)
            return ControllerPlace{row.floor, row.position, row.relays};
    }
    return std::nullopt;
}

QStringList IndicatorNamesOf(int address)
{
    QStringList names;
    const std::optional<ControllerPlace> place = PlaceOfAddress(address);
    if (!place)
        return names;
    // The main screen's shapes carry the relay only: R1 to R5.
    const QString prefix =
        address == MainScreenAddress ? QStringLiteral("R") : QStringLiteral("R%1").arg(address);
    for (int column = 1; column <= place->relays; ++column)
        names << prefix + QString::number(column);
    return names;
}

int AddressOfPanel(int floor, PanelPosition position)
{
    return ControllerOf(floor, position).address;
}

std::array<int, PanelsPerFloor> AddressesOfFloor(int floor)
{
    std::array<int, PanelsPerFloor> addresses{};
    for (std::size_t i = 0; i < PanelPositions.size(); ++i)
        addresses[i] = AddressOfPanel(floor, PanelPositions[i]);
    return addresses;
}

QString RelayLabelCaption(PanelPosition position, int column)
{
    return QStringLiteral("RY%1").arg(PanelRowOf(position).firstRelayNumber + column - 1);
}
