#pragma once

#include <functional>

#include <QByteArray>
#include <QList>
#include <QThread>

#include "link/ControllerFrame.h"
#include "sim/BuildingBus.h"

// The simulated building bus on a pseudo-terminal, served from a thread of its own so that
// the line drains while the station's thread blocks, as a real line does. Records every frame
// the boards hear.
class BusOnThread
{
public:
    struct Frame
    {
        QByteArray bytes;
        qint64 atMs; // on the bus's clock
    };

    explicit BusOnThread(const BusConfig& config = {})
    {
        thread_.start();
        QObject home;
        home.moveToThread(&thread_);
        // Made on its thread: the bus's notifier and timers belong to the thread that made it.
        QMetaObject::invokeMethod(
            &home, [this, &config] { bus_ = new BuildingBus(config); },
            Qt::BlockingQueuedConnection);
        QObject::connect(bus_, &BuildingBus::frameReceived, &recorder_,
                         [this](const QByteArray& frame, qint64 atMs) {
                             frames_.append({frame, atMs});
                         });
        OnBus([this](BuildingBus& b) {
            b.OpenPseudoTerminal();
            devicePath_ = b.DevicePath();
        });
    }

    ~BusOnThread()
    {
        OnBus([](BuildingBus& b) { delete &b; });
        thread_.quit();
        thread_.wait();
    }

    // Runs on the bus's thread and waits for it.
    void OnBus(const std::function<void(BuildingBus&)>& job)
    {
        QMetaObject::invokeMethod(
            bus_, [this, &job] { job(*bus_); }, Qt::BlockingQueuedConnection);
    }

    void SetStates(int address, std::uint8_t mask)
    {
        OnBus([=](BuildingBus& b) { b.Boards().SetStates(address, mask); });
    }

    std::uint8_t States(int address)
    {
        std::uint8_t mask = 0;
        OnBus([&](BuildingBus& b) { mask = b.Boards().States(address); });
        return mask;
    }

    void InjectBytes(const QByteArray& bytes, int gapMs = 0)
    {
        OnBus([&](BuildingBus& b) { b.InjectBytes(bytes, gapMs); });
    }

    qint64 ElapsedMs()
    {
        qint64 ms = 0;
        OnBus([&](BuildingBus& b) { ms = b.ElapsedMs(); });
        return ms;
    }

    QList<int> StatusRequests() const
    {
        QList<int> addresses;
        for (const Frame& f : frames_) {
            if (quint8(f.bytes[ControllerFrameLayout::Command]) == ReadStatusCommand)
                addresses << quint8(f.bytes[ControllerFrameLayout::ControllerAddress]);
        }
        return addresses;
    }

    const QString& DevicePath() const { return devicePath_; }
    // What the boards heard, in order; a test clears it to hear only what follows.
    QList<Frame>& Frames() { return frames_; }
    const QList<Frame>& Frames() const { return frames_; }

private:
    QString devicePath_;
    QList<Frame> frames_;
    QThread thread_;
    BuildingBus* bus_ = nullptr;
    QObject recorder_; // takes the bus's reports on the test's thread
};
