#pragma once

#include <memory>

#include "floors/FloorScreens.h"
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
    FloorScreenSet floors_;
    std::unique_ptr<TSetfrm> set_;
};
