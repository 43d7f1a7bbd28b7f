#pragma once

#include <memory>

#include "floors/ScreenSet.h"

class Tmainfrm;
class TSetfrm;

// The seven screens of the station, created in their fixed order and kept for the whole run.
class Station
{
public:
    Station();
    ~Station();

    ScreenSet& Screens() { return screens_; }
    Tmainfrm& mainfrm() { return *main_; }

private:
    ScreenSet screens_;
    // Declared first, destroyed last: every other screen uses its link.
    std::unique_ptr<Tmainfrm> main_;
    std::unique_ptr<Tfirstfrm> first_;
    std::unique_ptr<TSecondfrm> second_;
    std::unique_ptr<TThirdfrm> third_;
    std::unique_ptr<TFourfrm> fourth_;
    std::unique_ptr<TFivefrm> fifth_;
    std::unique_ptr<TSetfrm> set_;
};
