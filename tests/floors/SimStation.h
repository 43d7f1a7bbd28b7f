#pragma once

#include <functional>
#include <memory>
#include <stdexcept>

#include <QWidget>

#include "floors/FloorScreens.h"
#include "floors/Navigation.h"
#include "floors/ScreenSet.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "serial/TMSComm.h"
#include "support/BusOnThread.h"

// The station's link and its five floor screens, created in start-up order, on COM1 wired
// to the simulated building bus. The main screen is a bare window.
struct SimStation
{
    BusOnThread bus;
    QList<BusOnThread::Frame>& frames = bus.Frames(); // what the boards heard, in order
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

    SimStation()
    {
        qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
        comm.OnComm = [this](QObject* sender) { link.Comm1Comm(sender); };
        link.PrepareComm();
        if (!link.OpenPort(1, 9600))
            throw std::runtime_error("the simulated bus did not open as COM1");

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
        Secondfrm->hide();
    }

    ~SimStation() { link.ClosePort(); }

    void onBus(const std::function<void(BuildingBus&)>& job) { bus.OnBus(job); }
    void setStates(int address, std::uint8_t mask) { bus.SetStates(address, mask); }
    FloorScreen* floor(int number) const { return FloorScreenOf(screens, number); }
    QList<int> statusRequests() const { return bus.StatusRequests(); }
};
