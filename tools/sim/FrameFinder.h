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
    std::vector<ControllerFrame> feed(std::span<const std::uint8_t> bytes);

    // Bytes of an unfinished frame held for the next call.
    std::size_t pending() const { return m_count; }
    // Bytes thrown away so far because no frame began with them.
    std::uint64_t skipped() const { return m_skipped; }

private:
    void resynchronise();

    ControllerFrame m_frame{};
    std::size_t m_count = 0;
    std::uint64_t m_skipped = 0;
};
