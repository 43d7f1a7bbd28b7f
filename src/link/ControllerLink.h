#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include <QObject>
#include <QString>
#include <QTimer>

#include "link/IndicatorLookup.h"
#include "link/ReplyAssembler.h"

class TMSComm;

// Relay bits a screen's switches may carry.
constexpr std::array<std::uint8_t, 5> MainScreenRelayBits{1, 2, 4, 8, 16};
constexpr std::array<std::uint8_t, 8> FloorRelayBits{1, 2, 4, 8, 16, 32, 64, 128};

// Pacing between the frames of one operation.
constexpr int SwitchToStatusWaitMs = 2000;
constexpr int StatusBatchWaitMs = 2000;

// The station's way to the relay boards: everything the main screen does with its serial
// control Comm1, and what every screen calls to send frames and wait between them.
class ControllerLink : public QObject
{
    Q_OBJECT
public:
    ControllerLink(TMSComm& comm, IndicatorLookup& indicators, QObject* parent = nullptr);

    // Shown when a write to the port fails; the caller's modal message box.
    std::function<void(const QString& message)> ShowWriteError;

    bool PortReady() const { return portReady_; }

    void PrepareComm();
    bool OpenPort(std::uint8_t port, int baud);
    void ClosePort();
    void ResetPort();

    // The station ends: the port closes for good, every running wait returns at once and
    // nothing is sent or opened any more.
    void End();
    bool Ended() const { return ended_; }

    void SendFrame(const std::uint8_t* bytes, std::uint16_t count);
    // False when the wait was cut short because the station ends.
    bool PumpWait(std::int32_t ms);
    void RequestStatus(std::uint8_t address);
    // sender is the switch that changed; acceptedBits the relay bits of the sender's screen.
    void SendSwitchCommand(std::uint8_t address, std::uint8_t selectBit, std::uint8_t stateBit,
                           QObject* sender, std::span<const std::uint8_t> acceptedBits);

    void Comm1Comm(QObject* sender);
    void DispatchReply(const std::uint8_t* bytes, std::uint16_t count);

    // The longest the receive handler waits for the rest of a reply to arrive.
    static constexpr int ReplyReadDelayMs = 30;
    // The longest SendFrame lets the previous frame drain before clearing the send buffer.
    static constexpr int PreviousFrameDrainMs = 100;
    static constexpr std::uint16_t MaxFrameBytes = 128;
    static constexpr int SendBufferStop = 26;

signals:
    void ended();

private:
    void receiveBlock();
    void failWrite();
    // Closing, resetting and discarding input drop every byte that waits, whole reply or not.
    void dropWaitingInput();
    void applyReply(std::span<const std::uint8_t> reply, ReplyForm form);

    TMSComm& comm_;
    IndicatorLookup& indicators_;
    bool portReady_ = false;
    bool ended_ = false;
    ReplyAssembler assembler_;
    QTimer burstEnd_;

    friend struct ControllerLinkTestAccess;
};
