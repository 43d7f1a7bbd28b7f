#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The fixed 26-byte block exchanged with every relay board, in both directions.
namespace ControllerFrameLayout {
constexpr std::size_t Size = 26;
constexpr std::size_t Header = 0;
constexpr std::size_t ControllerAddress = 1;
constexpr std::size_t Command = 2;
constexpr std::size_t SelectMask = 3;
constexpr std::size_t StateMask = 4;
constexpr std::size_t StatusMask = 19;
constexpr std::size_t Checksum = 25;
} // namespace ControllerFrameLayout

constexpr std::uint8_t FrameHeader = 0xAA;
constexpr std::uint8_t ReadStatusCommand = 0x09;
constexpr std::uint8_t SwitchCommand = 0x13;
constexpr int FirstControllerAddress = 1;
constexpr int LastControllerAddress = 21;

using ControllerFrame = std::array<std::uint8_t, ControllerFrameLayout::Size>;

// Sum of bytes 0 to 24, modulo 256.
std::uint8_t FrameChecksum(std::span<const std::uint8_t, ControllerFrameLayout::Size> frame);

ControllerFrame BuildStatusRequest(std::uint8_t address);
ControllerFrame BuildSwitchCommand(std::uint8_t address, std::uint8_t selectMask,
                                   std::uint8_t stateMask);

struct StatusReply
{
    std::uint8_t address;
    std::uint8_t statusMask;
};

// A block is a status reply when its command byte is ReadStatusCommand; only bytes 1, 2 and 19
// are read, so header and checksum damage does not matter. Blocks too short to hold byte 19
// are not replies.
std::optional<StatusReply> RecogniseStatusReply(std::span<const std::uint8_t> block);
