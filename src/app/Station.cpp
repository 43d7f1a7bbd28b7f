#include "app/Station.h"

#include "app/TSetfrm.h"
#include "app/Tmainfrm.h"
#include "floors/FloorScreens.h"

Station::Station()
{
    // Each reference is set as soon as its screen exists: later screens reach earlier ones
    // while they are created.
    main_ = std::make_unique<Tmainfrm>(screens_);
    first_ = std::make_unique<Tfirstfrm>(screens_);
    screens_.firstfrm = first_.get();
    second_ = std::make_unique<TSecondfrm>(screens_);
    screens_.Secondfrm = second_.get();
    third_ = std::make_unique<TThirdfrm>(screens_);
    screens_.Thirdfrm = third_.get();
    // Its creation hook shows floor 2.
    fourth_ = std::make_unique<TFourfrm>(screens_);
    screens_.Fourfrm = fourth_.get();
    fifth_ = std::make_unique<TFivefrm>(screens_);
    screens_.Fivefrm = fifth_.get();
    set_ = std::make_unique<TSetfrm>();
    screens_.Setfrm = set_.get();
    screens_.Secondfrm->hide();
}

Station::~Station() = default;
