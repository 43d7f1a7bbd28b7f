#pragma once

#include <functional>
#include <stdexcept>

#include "FloorRig.h"
#include "support/BusOnThread.h"

// The floor screens and their link on COM1, wired to the simulated building bus. As after
// start-up, no floor screen is shown.
struct SimStation : FloorRig
{
    BusOnThread bus;
    QList<BusOnThread::Frame>& frames = bus.Frames(); // what the boards heard, in order

    SimStation()
    {
        qputenv("QUELVANE_COM1", bus.DevicePath().toLocal8Bit());
        comm.OnComm = [this](QObject* sender) { link.Comm1Comm(sender); };
        link.PrepareComm();
        if (!link.OpenPort(1, 9600))
            throw std::runtime_error("the simulated bus did not open as COM1");
        screens.Secondfrm->hide();
    }

    ~SimStation() { link.ClosePort(); }

    void OnBus(const std::function<void(BuildingBus&)>& job) { bus.OnBus(job); }
    void SetStates(int address, std::uint8_t mask) { bus.SetStates(address, mask); }
    QList<int> StatusRequests() const { return bus.StatusRequests(); }
};
