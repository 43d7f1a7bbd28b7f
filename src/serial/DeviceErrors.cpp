#include "serial/DeviceErrors.h"

#include <cerrno>
#include <utility>

bool IsLostDeviceError(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV;
}

DeviceErrors::DeviceErrors(std::function<void(int err)> onLost) : onLost_(std::move(onLost)) {}

void DeviceErrors::SetLabel(const QString& label)
{
    label_ = label;
}

const QString& DeviceErrors::Label() const
{
    return label_;
}

void DeviceErrors::Reset()
{
    lost_ = false;
    lostError_ = 0;
}

bool DeviceErrors::Lost() const
{
    return lost_;
}

int DeviceErrors::LostError() const
{
    return lostError_;
}

void DeviceErrors::MarkLost(int err)
{
    if (lost_)
        return;
    lost_ = true;
    lostError_ = err;
    if (onLost_)
        onLost_(err);
}

CommError DeviceErrors::Error(const QString& what, int err) const
{
    return CommError::FromErrno(label_ + QStringLiteral(": ") + what, err);
}

void DeviceErrors::AbsorbLost(const QString& what, int err)
{
    if (!IsLostDeviceError(err))
        throw Error(what, err);
    MarkLost(err);
}

void DeviceErrors::MarkLostAndThrow(const QString& what, int err)
{
    if (IsLostDeviceError(err))
        MarkLost(err);
    throw Error(what, err);
}
