#pragma once

// The serial control's state behind its private pointer: TMSComm.cpp and, through
// tests/support/TMSCommTestAccess.h, the tests that need a line no pseudo-terminal gives.

#include "serial/DeviceErrors.h"
#include "serial/LineSettings.h"
#include "serial/ParmrkDecoder.h"
#include "serial/TMSComm.h"
#include "serial/TtyDevice.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QSocketNotifier;

struct TMSComm::Private
{
    using Clock = std::chrono::steady_clock;

    explicit Private(TMSComm* owner) : q(owner), errors([this](int err) { onLost(err); }) {}

    TMSComm* q;

    short commPort = 1;
    QString settingsText = QStringLiteral("9600,n,8,1");
    LineSettings settings;
    bool dtrEnable = false;
    short inputLen = 0;
    short rThreshold = 0;
    short sThreshold = 0;
    int inputMode = InputModeText;
    short commEvent = 0;

    // What the open took: the descriptor, the lock file, exclusive mode. Given back as soon as
    // the device hangs up, while the port still reads open until it is closed.
    HeldTty held;
    bool portOpen = false;
    QSocketNotifier* readNotifier = nullptr;
    DeviceErrors errors;     // names the device in messages, knows whether it hung up
    unsigned generation = 0; // counts opens and closes, so stale events stop

    QByteArray received; // decoded, at most ReceiveBufferSize bytes
    ParmrkDecoder decoder;
    std::vector<short> pendingErrors; // comEventFrame / comEventRxOver / comEventTxFull
    bool newInput = false;            // input arrived since the last receive check
    bool deliveryScheduled = false;

    // A send queue held as if the line did not move: bytes it reads as unsent, and when, if
    // ever, the line moves again. Closing the port ends the hold.
    bool sendQueueHeld = false;
    int heldSendQueue = 0;
    std::optional<Clock::time_point> sendQueueReleasedAt;

    bool isOpen() const { return portOpen; }
    int fd() const { return held.fd.Get(); }

    void open();
    void openDevice();
    void close();
    void stopWatching();
    void requireDevice() const;
    bool sendQueueStillHeld() const;
    void applySettings(const LineSettings& newSettings);
    void applyDtr();
    void onLost(int err);
    void drainDriver();
    void acceptRaw(std::span<const std::uint8_t> raw);
    void addPendingError(short code);
    void scheduleDelivery();
    void deliverPending();
    void raise(short code);
    void onReadable();
};
