#pragma once

#include <memory>

#include "floors/FloorScreen.h"

// The five floor screens: one design, each only its floor.

class Tfirstfrm : public FloorScreen
{
    Q_OBJECT
public:
    explicit Tfirstfrm(ScreenSet& screens) : FloorScreen(screens, 1) {}
};

class TSecondfrm : public FloorScreen
{
    Q_OBJECT
public:
    explicit TSecondfrm(ScreenSet& screens) : FloorScreen(screens, 2) {}
};

class TThirdfrm : public FloorScreen
{
    Q_OBJECT
public:
    explicit TThirdfrm(ScreenSet& screens) : FloorScreen(screens, 3) {}
};

// Created during start-up after floor 2: its creation hook leaves floor 2 shown, which
// start-up then hides.
class TFourfrm : public FloorScreen
{
    Q_OBJECT
public:
    explicit TFourfrm(ScreenSet& screens);
    void FormCreate(QObject* sender);
};

class TFivefrm : public FloorScreen
{
    Q_OBJECT
public:
    explicit TFivefrm(ScreenSet& screens) : FloorScreen(screens, 5) {}
};

// The five floor screens of one run, owned together.
struct FloorScreenSet
{
    std::unique_ptr<Tfirstfrm> firstfrm;
    std::unique_ptr<TSecondfrm> Secondfrm;
    std::unique_ptr<TThirdfrm> Thirdfrm;
    std::unique_ptr<TFourfrm> Fourfrm;
    std::unique_ptr<TFivefrm> Fivefrm;
};

// Creates floors 1 to 5 in start-up order and sets each reference in screens as soon as its
// screen exists: later screens reach earlier ones while they are created. The floor-4
// screen's creation hook leaves floor 2 shown.
FloorScreenSet CreateFloorScreens(ScreenSet& screens);
