#include "link/ControllerFrame.h"

#include <numeric>

namespace L = ControllerFrameLayout;

std::uint8_t FrameChecksum(std::span<const std::uint8_t, ControllerFrameLayout::Size> frame)
{
    const unsigned sum = std::accumulate(frame.begin(), frame.begin() + L::Checksum, 0u);
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

static ControllerFrame buildFrame(std::uint8_t address, std::uint8_t command,
                                  std::uint8_t selectMask, std::uint8_t stateMask)
{
    ControllerFrame frame{};
    frame[L::Header] = FrameHeader;
    frame[L::ControllerAddress] = address;
    frame[L::Command] = command;
    frame[L::SelectMask] = selectMask;
    frame[L::StateMask] = stateMask;
    frame[L::Checksum] = FrameChecksum(frame);
    return frame;
}

ControllerFrame BuildStatusRequest(std::uint8_t address)
{
    return buildFrame(address, ReadStatusCommand, 0, 0);
}

ControllerFrame BuildSwitchCommand(std::uint8_t address, std::uint8_t selectMask,
                                   std::uint8_t stateMask)
{
    return buildFrame(address, SwitchCommand, selectMask, stateMask);
}

std::optional<StatusReply> RecogniseStatusReply(std::span<const std::uint8_t> block)
{
    if (block.size() <= L::StatusMask || block[L::Command] != ReadStatusCommand)
        return std::nullopt;
    return StatusReply{block[L::ControllerAddress], block[L::StatusMask]};
}
