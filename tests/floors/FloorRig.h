#pragma once

#include <cstdint>

#include <QWidget>

#include "floors/FloorScreens.h"
#include "floors/Navigation.h"
#include "floors/ScreenSet.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "serial/TMSComm.h"

// A relay's indicator as the operator sees it, written out here rather than taken from the
// station so that a wrong colour there shows.
constexpr std::uint32_t Red = 0x000000FF;
constexpr std::uint32_t Lime = 0x0000FF00;

// The station's link, a bare window for the main screen and the five floor screens as start-up
// creates them; floor 2 is left shown by the floor-4 screen's creation hook, and the port stays
// closed.
struct FloorRig
{
    TMSComm comm;
    IndicatorLookup indicators;
    ControllerLink link{comm, indicators};
    QWidget mainfrm;
    ScreenSet screens{.mainfrm = &mainfrm, .link = &link, .indicators = &indicators};
    FloorScreenSet floors = CreateFloorScreens(screens);

    FloorScreen* Floor(int number) const { return FloorScreenOf(screens, number); }
};
