#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

// Which screen shows which controller, under which names and captions. Fixed for the run.

constexpr int FloorCount = 5;
constexpr int PanelsPerFloor = 4;
constexpr int MaxRelaysPerPanel = 8;
// Where controller 1 is shown; floors are 1 to 5.
constexpr int MainScreenFloor = 0;
constexpr int MainScreenAddress = 1;
constexpr int MainScreenRelays = 5;
// The main screen's title, also the caption of the floor screens' label back to it.
constexpr const char* MainScreenTitleCaption = "岚苑灯光监控主界面";

enum class PanelPosition
{
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight
};
constexpr std::array<PanelPosition, PanelsPerFloor> PanelPositions{
    PanelPosition::TopLeft, PanelPosition::TopRight, PanelPosition::BottomLeft,
    PanelPosition::BottomRight};

struct FloorRow
{
    int floor;
    const char* screenClass;
    const char* instanceName;
    const char* windowCaption;
    const char* titleCaption; // Label25
    const char* popupCaption; // N1
};

struct PanelRow
{
    PanelPosition position;
    const char* panelName;
    int firstRelayNumber; // the RY number of column 1
    // Column k holds relay bit 2^(k-1); null where the panel has no such column.
    std::array<const char*, MaxRelaysPerPanel> switchNames;
};

struct ControllerRow
{
    int address;
    int floor;
    PanelPosition position;
    const char* caption;
    int relays;
};

struct ControllerPlace
{
    int floor;                             // MainScreenFloor for controller 1
    std::optional<PanelPosition> position; // none on the main screen
    int relays;
};

// Throws std::out_of_range unless floor is 1 to 5.
void RequireFloor(int floor);

const FloorRow& FloorRowOf(int floor);
const PanelRow& PanelRowOf(PanelPosition position);
// The controller shown in a floor panel.
const ControllerRow& ControllerOf(int floor, PanelPosition position);

// Floor, panel and relay count of an address; none for an address no screen shows.
std::optional<ControllerPlace> PlaceOfAddress(int address);
// "R" + address + column in bit order ("R" + column on the main screen); empty for an
// address no screen shows.
QStringList IndicatorNamesOf(int address);
int AddressOfPanel(int floor, PanelPosition position);
// In panel order, which is ascending.
std::array<int, PanelsPerFloor> AddressesOfFloor(int floor);

// Tag of the switch in column 1 to 8: the relay's bit.
constexpr std::uint8_t RelayBit(int column)
{
    return std::uint8_t(1u << (column - 1));
}
// "RY" + the relay's number on its floor.
QString RelayLabelCaption(PanelPosition position, int column);
