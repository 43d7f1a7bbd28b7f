#pragma once

#include "link/ControllerFrame.h"

#include <array>
#include <cstdint>
#include <optional>

// The 21 relay boards as the station sees them through the line: relay counts, states, relays
// that no longer follow and boards that never answer. No I/O here.
class RelayBoards
{
public:
    static constexpr int Count = LastControllerAddress - FirstControllerAddress + 1;

    static bool IsBoard(int address);
    // As the floor table gives them: 5 relays on board 1, 7 on the last board of each floor, 8 on
    // the others; 0 for no board.
    static int RelayCount(int address);
    // One bit per relay the board has: the only bits its states can hold.
    static std::uint8_t RelayBits(int address);

    // The setters throw std::out_of_range for an address that is no board; bits beyond the
    // board's relays are dropped.
    std::uint8_t States(int address) const;
    void SetStates(int address, std::uint8_t mask);
    void SetAllStates(std::uint8_t mask);
    std::uint8_t Stuck(int address) const;
    void SetStuck(int address, std::uint8_t mask);
    // A silent board still hears and switches; only its answers are lost. Add stuck bits for
    // a board that is dead altogether.
    bool IsSilent(int address) const;
    void SetSilent(int address, bool silent);

    // Takes one frame as every board on the line hears it: a switch command changes the selected
    // relays of its board, a status request gets that board's reply. Everything else, and any
    // frame for an address no board has, gets nothing.
    std::optional<ControllerFrame> Answer(const ControllerFrame& frame);

    static ControllerFrame BuildStatusReply(std::uint8_t address, std::uint8_t statusMask);

private:
    struct Board
    {
        std::uint8_t states = 0;
        std::uint8_t stuck = 0;
        bool silent = false;
    };
    Board& board(int address);
    const Board& board(int address) const;

    std::array<Board, Count> boards_{};
};
