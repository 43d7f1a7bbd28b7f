#pragma once

#include "serial/CommError.h"

#include <QString>

#include <functional>

// Errors after which a device is gone for good (the far end of a pseudo-terminal closed, a USB
// adapter pulled out); EAGAIN and EINTR never are.
bool IsLostDeviceError(int err);

// The one path by which a failed system call on the open device ends. Once lost, the device
// stays lost until Reset. Each call site names what a lost device means to it: AbsorbLost where
// the loss itself is the answer (nothing left to count or discard), MarkLostAndThrow where the
// caller asked for something that did not happen.
class DeviceErrors
{
public:
    // onLost runs once, when the device is first found lost, with the errno that told.
    explicit DeviceErrors(std::function<void(int err)> onLost);

    // Messages name the device as label, e.g. "COM1 (/dev/ttyS0)".
    void SetLabel(const QString& label);
    const QString& Label() const;

    // A device opened or closed: not lost.
    void Reset();

    bool Lost() const;
    int LostError() const; // the errno that told; 0 while not lost
    void MarkLost(int err);

    // "<label>: <what>: <system's text>", carrying err.
    CommError Error(const QString& what, int err) const;

    // A call failed with err: a lost device is marked and the call returns; any other error
    // throws.
    void AbsorbLost(const QString& what, int err);

    // A call failed with err: a lost device is marked, and the failure throws all the same.
    [[noreturn]] void MarkLostAndThrow(const QString& what, int err);

private:
    std::function<void(int)> onLost_;
    QString label_;
    bool lost_ = false;
    int lostError_ = 0;
};
