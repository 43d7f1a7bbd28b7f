#include "floors/FloorScreens.h"

TFourfrm::TFourfrm(ScreenSet& screens) : FloorScreen(screens, 4)
{
    FormCreate(this);
}

void TFourfrm::FormCreate(QObject*)
{
    hide();
    if (screens_.Secondfrm)
        screens_.Secondfrm->show();
}

FloorScreenSet CreateFloorScreens(ScreenSet& screens)
{
    FloorScreenSet floors;
    floors.firstfrm = std::make_unique<Tfirstfrm>(screens);
    screens.firstfrm = floors.firstfrm.get();
    floors.Secondfrm = std::make_unique<TSecondfrm>(screens);
    screens.Secondfrm = floors.Secondfrm.get();
    floors.Thirdfrm = std::make_unique<TThirdfrm>(screens);
    screens.Thirdfrm = floors.Thirdfrm.get();
    floors.Fourfrm = std::make_unique<TFourfrm>(screens);
    screens.Fourfrm = floors.Fourfrm.get();
    floors.Fivefrm = std::make_unique<TFivefrm>(screens);
    screens.Fivefrm = floors.Fivefrm.get();
    return floors;
}
