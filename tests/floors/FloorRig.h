#pragma once

#include <memory>

#include <QWidget>

#include "floors/FloorScreens.h"
#include "floors/Navigation.h"
#include "floors/ScreenSet.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "serial/TMSComm.h"

// The station's link, a bare window for the main screen and the five floor screens, created
// in start-up order. The floor-4 screen's creation hook leaves floor 2 shown; the port stays
// closed.
struct FloorRig
{
    TMSComm comm;
    IndicatorLookup indicators;
    ControllerLink link{comm, indicators};
    QWidget mainfrm;
    ScreenSet screens;
    std::unique_ptr<Tfirstfrm> firstfrm;
    std::unique_ptr<TSecondfrm> Secondfrm;
    std::unique_ptr<TThirdfrm> Thirdfrm;
    std::unique_ptr<TFourfrm> Fourfrm;
    std::unique_ptr<TFivefrm> Fivefrm;

    FloorRig()
    {
        screens.mainfrm = &mainfrm;
        screens.link = &link;
        screens.indicators = &indicators;
        firstfrm = std::make_unique<Tfirstfrm>(screens);
        screens.firstfrm = firstfrm.get();
        Secondfrm = std::make_unique<TSecondfrm>(screens);
        screens.Secondfrm = Secondfrm.get();
        Thirdfrm = std::make_unique<TThirdfrm>(screens);
        screens.Thirdfrm = Thirdfrm.get();
        Fourfrm = std::make_unique<TFourfrm>(screens);
        screens.Fourfrm = Fourfrm.get();
        Fivefrm = std::make_unique<TFivefrm>(screens);
        screens.Fivefrm = Fivefrm.get();
    }

    FloorScreen* Floor(int number) const { return FloorScreenOf(screens, number); }
};
