#pragma once

class QWidget;
class Tfirstfrm;
class TSecondfrm;
class TThirdfrm;
class TFourfrm;
class TFivefrm;
class ControllerLink;
class IndicatorLookup;

// The program-wide screen references: one of each for the whole run, so that every screen
// reaches the others and the link. Each stays null until its object has been created.
struct ScreenSet
{
    QWidget* mainfrm = nullptr;
    Tfirstfrm* firstfrm = nullptr;
    TSecondfrm* Secondfrm = nullptr;
    TThirdfrm* Thirdfrm = nullptr;
    TFourfrm* Fourfrm = nullptr;
    TFivefrm* Fivefrm = nullptr;
    QWidget* Setfrm = nullptr;
    ControllerLink* link = nullptr;
    IndicatorLookup* indicators = nullptr;
};
