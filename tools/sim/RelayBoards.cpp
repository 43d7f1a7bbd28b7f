#include "sim/RelayBoards.h"

#include "floors/FloorTable.h"

#include <stdexcept>
#include <string>

namespace L = ControllerFrameLayout;

bool RelayBoards::isBoard(int address)
{
    return address >= FirstControllerAddress && address <= LastControllerAddress;
}

int RelayBoards::relayCount(int address)
{
    // The boards have the relays the station's screens show for them.
    const std::optional<ControllerPlace> place = PlaceOfAddress(address);
    return place ? place->relays : 0;
}

std::uint8_t RelayBoards::relayBits(int address)
{
    return static_cast<std::uint8_t>((1u << relayCount(address)) - 1u);
}

static std::size_t indexOf(int address)
{
    if (!RelayBoards::isBoard(address))
        throw std::out_of_range("no relay board at address " + std::to_string(address));
    return static_cast<std::size_t>(address - FirstControllerAddress);
}

RelayBoards::Board& RelayBoards::board(int address)
{
    return m_boards[indexOf(address)];
}

const RelayBoards::Board& RelayBoards::board(int address) const
{
    return m_boards[indexOf(address)];
}

std::uint8_t RelayBoards::states(int address) const
{
    return board(address).states;
}

void RelayBoards::setStates(int address, std::uint8_t mask)
{
    board(address).states = mask & relayBits(address);
}

void RelayBoards::setAllStates(std::uint8_t mask)
{
    for (int address = FirstControllerAddress; address <= LastControllerAddress; ++address)
        setStates(address, mask);
}

std::uint8_t RelayBoards::stuck(int address) const
{
    return board(address).stuck;
}

void RelayBoards::setStuck(int address, std::uint8_t mask)
{
    board(address).stuck = mask & relayBits(address);
}

bool RelayBoards::isSilent(int address) const
{
    return board(address).silent;
}

void RelayBoards::setSilent(int address, bool silent)
{
    board(address).silent = silent;
}

std::optional<ControllerFrame> RelayBoards::answer(const ControllerFrame& frame)
{
    const int address = frame[L::ControllerAddress];
    if (!isBoard(address))
        return std::nullopt;
    Board& target = board(address);
    switch (frame[L::Command]) {
    case SwitchCommand: {
        const auto follows =
            static_cast<std::uint8_t>(frame[L::SelectMask] & relayBits(address) & ~target.stuck);
        target.states =
            static_cast<std::uint8_t>((target.states & ~follows) | (frame[L::StateMask] & follows));
        return std::nullopt;
    }
    case ReadStatusCommand:
        if (target.silent)
            return std::nullopt;
        return buildStatusReply(frame[L::ControllerAddress], target.states);
    default:
        return std::nullopt;
    }
}

ControllerFrame RelayBoards::buildStatusReply(std::uint8_t address, std::uint8_t statusMask)
{
    // A reply is the request echoed with the states filled in.
    ControllerFrame reply = BuildStatusRequest(address);
    reply[L::StatusMask] = statusMask;
    reply[L::Checksum] = FrameChecksum(reply);
    return reply;
}
