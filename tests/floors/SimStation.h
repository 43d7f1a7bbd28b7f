#pragma once

#include <functional>
#include <memory>
#include <stdexcept>

#include <QByteArray>
#include <QList>
#include <QThread>
#include <QWidget>

#include "floors/FloorScreens.h"
#include "floors/Navigation.h"
#include "floors/ScreenSet.h"
#include "link/ControllerLink.h"
#include "link/IndicatorLookup.h"
#include "serial/TMSComm.h"
#include "sim/BuildingBus.h"

// The station's link and its five floor screens, created in start-up order, on COM1 wired
// to the simulated building bus. The bus runs on a thread of its own, so that the line
// drains while the station blocks, as a real line does. The main screen is a bare window.
struct SimStation
{
    struct Frame
    {
        QByteArray bytes;
        qint64 atMs; // on the bus's clock
    };

    QThread busThread;
    QObject busHome; // lives on busThread; deleted after the thread has stopped
    BuildingBus* bus = nullptr;
    QObject recorder; // receives the bus's reports on this thread
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
    QList<Frame> frames; // what the boards heard, in order

    SimStation()
    {
        busThread.start();
        // Made on its thread: the bus's timers belong to the thread that creates it.
        busHome.moveToThread(&busThread);
        QMetaObject::invokeMethod(
            &busHome, [this] { bus = new BuildingBus(BusConfig{}); }, Qt::BlockingQueuedConnection);
        QObject::connect(bus, &BuildingBus::frameReceived, &recorder,
                         [this](const QByteArray& frame, qint64 atMs) {
                             frames.append({frame, atMs});
                         });
        onBus([](BuildingBus& b) { b.openPseudoTerminal(); });
        QString device;
        onBus([&device](BuildingBus& b) { device = b.devicePath(); });
        qputenv("QUELVANE_COM1", device.toLocal8Bit());

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

    ~SimStation()
    {
        link.ClosePort();
        onBus([](BuildingBus& b) { delete &b; });
        busThread.quit();
        busThread.wait();
    }

    // Runs on the bus's thread and waits for it.
    void onBus(const std::function<void(BuildingBus&)>& job)
    {
        QMetaObject::invokeMethod(
            bus, [this, &job] { job(*bus); }, Qt::BlockingQueuedConnection);
    }

    void setStates(int address, std::uint8_t mask)
    {
        onBus([=](BuildingBus& b) { b.boards().setStates(address, mask); });
    }

    FloorScreen* floor(int number) const { return FloorScreenOf(screens, number); }

    // The addresses of the status requests heard, in order.
    QList<int> statusRequests() const
    {
        QList<int> addresses;
        for (const Frame& f : frames) {
            if (quint8(f.bytes[2]) == ReadStatusCommand)
                addresses << quint8(f.bytes[1]);
        }
        return addresses;
    }
};
