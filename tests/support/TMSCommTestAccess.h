#pragma once

// What the serial tests need from a line that no pseudo-terminal gives: input carrying framing
// marks, and a send queue that does not move.

#include "serial/CommError.h"
#include "serial/TMSComm.h"
#include "serial/TMSCommPrivate.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <span>

struct TMSCommTestAccess
{
    // Hands raw bytes to the control exactly as if the driver had delivered them in one read:
    // they take the path of real input (PARMRK decoding with its pending state, buffer bound,
    // events raised through the event loop). Pseudo-terminals never mark framing errors, so this
    // is how tests make one: InjectDriverInput(comm, "\xFF\x00\x41") raises comEventFrame.
    // Throws when the port is closed.
    static void InjectDriverInput(TMSComm& comm, const QByteArray& raw)
    {
        requireOpen(comm);
        comm.d->acceptRaw(std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t*>(raw.constData()), std::size_t(raw.size())));
        comm.d->scheduleDelivery();
    }

    // A pseudo-terminal's send queue always reads 0: this makes the open port's queue behave as
    // held. OutBufferCount then reads `queued` bytes plus every byte written since, until
    // discarding the output (OutBufferCount := 0) empties it; once releaseAfterMs have passed
    // (never, when negative) the line moves again and the queue reads as the driver's. The bytes
    // themselves still go to the device. Closing the port ends the hold. Throws when the port
    // is closed.
    static void HoldSendQueue(TMSComm& comm, int queued, int releaseAfterMs)
    {
        requireOpen(comm);
        TMSComm::Private& d = *comm.d;
        d.sendQueueHeld = true;
        d.heldSendQueue = queued;
        d.sendQueueReleasedAt.reset();
        if (releaseAfterMs >= 0)
            d.sendQueueReleasedAt =
                TMSComm::Private::Clock::now() + std::chrono::milliseconds(releaseAfterMs);
    }

private:
    static void requireOpen(const TMSComm& comm)
    {
        if (!comm.PortOpen())
            throw CommError(QStringLiteral("Operation valid only when the port is open"));
    }
};
