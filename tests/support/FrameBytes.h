#pragma once

#include <QByteArray>

#include "link/ControllerFrame.h"
#include "sim/RelayBoards.h"

// A frame as the bytes on the line.
inline QByteArray FrameBytes(const ControllerFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), int(frame.size()));
}

// The status reply a board sends: header, address, command, states in byte 19, checksum.
inline QByteArray StatusReplyBytes(std::uint8_t address, std::uint8_t statusMask)
{
    return FrameBytes(RelayBoards::BuildStatusReply(address, statusMask));
}
