#include "sim/RelayBoards.h"

#include "floors/FloorTable.h"

#include <stdexcept>
#include <string>

namespace L = ControllerFrameLayout;

bool RelayBoards::IsBoard(int address)
{
    return address >= FirstControllerAddress && address <= LastControllerAddress;
}

int RelayBoards::RelayCount(int address)
{
    // The boards have the relays the station's screens show for them.
    const std::optional<ControllerPlace> place = PlaceOfAddress(address);
    return place ? place->relays : 0;
}

std::uint8_t RelayBoards::RelayBits(int address)
{
    return static_cast<std::uint8_t>((1u << RelayCount(address)) - 1u);
}

static std::size_t indexOf(int address)
{
    if (!RelayBoards::IsBoard(address))
        throw std::out_of_range("no relay board at address " + std::to_string(address));
    return static_cast<std::size_t>(address - FirstControllerAddress);
}

RelayBoards::Board& RelayBoards::board(int address)
{
    return boards_[indexOf(address)];
}

const RelayBoards::Board& RelayBoards::board(int address) const
{
    return boards_[indexOf(address)];
}

std::uint8_t RelayBoards::States(int address) const
{
    return board(address).states;
}

void RelayBoards::SetStates(int address, std::uint8_t mask)
{
    board(address).states = mask & RelayBits(address);
}

void RelayBoards::SetAllStates(std::uint8_t mask)
{
    for (int address = FirstControllerAddress; address <= LastControllerAddress; ++address)
        SetStates(address, mask);
}

std::uint8_t RelayBoards::Stuck(int address) const
{
    return board(address).stuck;
}

void RelayBoards::SetStuck(int address, std::uint8_t mask)
{
    board(address).stuck = mask & RelayBits(address);
}

bool RelayBoards::IsSilent(int address) const
{
    return board(address).silent;
}

void RelayBoards::SetSilent(int address, bool silent)
{
    board(address).silent = silent;
}

std::optional<ControllerFrame> RelayBoards::Answer(const ControllerFrame& frame)
{
    const int address = frame[L::ControllerAddress];
    if (!IsBoard(address))
        return std::nullopt;
    Board& target = board(address);
    switch (frame[L::Command]) {
    case SwitchCommand: {
        const auto follows =
            static_cast<std::uint8_t>(frame[L::SelectMask] & RelayBits(address) & ~target.stuck);
        target.states =
            static_cast<std::uint8_t>((target.states & ~follows) | (frame[L::StateMask] & follows));
        return std::nullopt;
    }
    case ReadStatusCommand:
        if (target.silent)
            return std::nullopt;
        return BuildStatusReply(frame[L::ControllerAddress], target.states);
    default:
        return std::nullopt;
    }
}

ControllerFrame RelayBoards::BuildStatusReply(std::uint8_t address, std::uint8_t statusMask)
{
    // A reply is the request echoed with the states filled in.
    ControllerFrame reply = BuildStatusRequest(address);
    reply[L::StatusMask] = statusMask;
    reply[L::Checksum] = FrameChecksum(reply);
    return reply;
}
