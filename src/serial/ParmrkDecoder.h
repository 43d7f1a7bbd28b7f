#pragma once

#include <cstdint>
#include <span>
#include <vector>

// What one chunk of raw driver input decodes to.
struct ParmrkChunk
{
    std::vector<std::uint8_t> data; // the data bytes, escapes removed, marked bytes left out
    int errorMarks = 0;             // framing/parity errors (and breaks) marked in this chunk
};

// Undoes the line discipline's PARMRK marking (TermiosSettings' EnableErrorMarks):
//   0xFF 0xFF   one data byte 0xFF;
//   0xFF 0x00 X the byte X arrived with a framing or parity error (X = 0x00 with a break): an
//               error mark, X is not data;
//   0xFF Y      (any other Y; the driver never makes it) 0xFF and Y as data.
// The driver may split a mark across two reads, so a chunk ending in 0xFF or 0xFF 0x00 leaves
// that much pending for the next chunk. Pure logic: no I/O, no clock.
class ParmrkDecoder
{
public:
    ParmrkChunk Decode(std::span<const std::uint8_t> raw);

    // Forgets a pending partial mark (input discarded, port reopened).
    void Reset() { state_ = State::Data; }

    // Raw bytes held back for the next chunk: 0, 1 (0xFF) or 2 (0xFF 0x00).
    int PendingBytes() const;

private:
    enum class State : std::uint8_t
    {
        Data,
        AfterFF,
        AfterFF00,
    };
    State state_ = State::Data;
};
