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
