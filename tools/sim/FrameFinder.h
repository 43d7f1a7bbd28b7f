#pragma once

#include "link/ControllerFrame.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Finds whole frames in the byte stream from the station: a header byte followed by 25 bytes
// that make the checksum come out right. Anything else is skipped one byte at a time, so a
// frame behind garbage, or behind a false start that held a header byte, is still found.
// Never holds more than one frame's worth of bytes between calls.
class FrameFinder
{
public:
    std::vector<ControllerFrame> Feed(std::span<const std::uint8_t> bytes);

    // Bytes of an unfinished frame held for the next call.
    std::size_t Pending() const { return count_; }
    // Bytes thrown away so far because no frame began with them.
    std::uint64_t Skipped() const { return skipped_; }

private:
    void resynchronise();

    ControllerFrame frame_{};
    std::size_t count_ = 0;
    std::uint64_t skipped_ = 0;
};
