#include "app/Station.h"

#include "app/TSetfrm.h"
#include "app/Tmainfrm.h"

Station::Station()
{
    // Each reference is set as soon as its screen exists: later screens reach earlier ones
    // while they are created.
    main_ = std::make_unique<Tmainfrm>(screens_);
    // Floor 4's creation hook shows floor 2.
    floors_ = CreateFloorScreens(screens_);
    set_ = std::make_unique<TSetfrm>();
    screens_.Setfrm = set_.get();
    screens_.Secondfrm->hide();
}

Station::~Station() = default;
