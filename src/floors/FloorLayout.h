#pragma once

#include <array>
#include <vector>

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "floors/FloorTable.h"

// Where the controls of a floor screen stand, in pixels. Panels are placed in the window;
// the controls of a panel in the panel.

struct FloorGeometry
{
    QPoint windowPosition;                    // of the outer frame
    QSize outerSize;                          // frame included
    QPoint titlePosition;                     // Label25
    QRect backPanel;                          // Panel5
    std::array<QRect, PanelsPerFloor> panels; // indexed by PanelPosition
    int captionTop;                           // of the controller caption in each panel
    std::array<PanelPosition, PanelsPerFloor> panelFocusOrder;
};

struct ColumnGeometry
{
    QRect label;
    QRect indicator;
    QRect switchRect;
};

const FloorGeometry& FloorGeometryOf(int floor);

// One entry per relay of the panel's controller, column 1 first.
std::vector<ColumnGeometry> PanelColumns(int floor, PanelPosition position);

// Columns of a panel in the order its switches take the keyboard focus, 1-based.
std::vector<int> ColumnFocusOrder(int relays);

// The controller caption under the switches: 20 px of width per character.
QRect CaptionRect(int floor, const QString& caption);

constexpr QSize TitleSize{280, 27};
constexpr QRect NavigationGroup{1, 30, 801, 129};
