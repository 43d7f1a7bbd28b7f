#pragma once

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
