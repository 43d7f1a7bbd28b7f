#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "link/ControllerFrame.h"

// How a reply was found in the bytes of the line.
enum class ReplyForm
{
    Whole,     // header, status command and checksum right, wherever it sat in its burst
    LoneBurst, // a burst of 20 to 26 bytes without a whole reply, handed on as it came
};

// Why bytes were dropped.
enum class DropReason
{
    Noise,      // bytes around the whole replies of a burst
    FalseStart, // a frame that looked whole but had a whole reply starting inside it
    NoReply,    // a burst without a whole reply that is no lone burst either
    Discarded,  // the port was closed or reset, or its input discarded
};

// Finds the status replies in the bytes the line delivers, whatever noise comes with them.
// Pure: the caller passes the time of every read and of every look at an empty line, so the
// rule runs without a device.
//
// The rule, from the line's timing and the reply's shape:
// - Timing. At 9600 baud the bytes of one reply follow each other about 1 ms apart, and a USB
//   adapter hands them over in chunks at the latest when its latency timer (16 ms by default)
//   runs out; on a busy machine the kernel may take some tens of milliseconds more to make them
//   readable. A line seen empty more than BurstGapMs after the last read has therefore ended its
//   burst, and bytes of different bursts are never joined into one reply. The gap stays far
//   below the 2000 ms between two requests. Only seeing the line empty ends a burst, not a late
//   read: a station kept from watching the line (a busy machine) cannot tell how far apart the
//   bytes it then finds came, so it joins them and lets the shape decide rather than lose a
//   reply.
// - Shape. Inside a burst a whole reply is 26 bytes: header 0xAA, ReadStatusCommand at byte 2,
//   the checksum right. Every whole reply is handed on, wherever it sits in the burst; the
//   bytes around it are noise.
// - Overlap. Noise before a reply (a cut reply above all, which carries header and command)
//   can complete a whole-looking frame with the first bytes of the real reply. So a whole
//   reply is handed on only once no other whole reply can start inside it; when one does, the
//   earlier frame gives way: noise comes before replies, while a reply's own last bytes almost
//   never start a second frame.
// - Lone bursts. A burst without any whole reply that holds 20 to 26 bytes is handed on as it
//   came, header and checksum unexamined, so a damaged reply with bytes 1, 2 and 19 intact still
//   counts. Such a burst is decided only when it has ended; every other burst without a whole
//   reply is dropped.
//
// Holds at most 51 bytes (a whole reply and the 25 bytes that may overlap the next one), so
// nothing read from the line can grow it.
class ReplyAssembler
{
public:
    static constexpr int BurstGapMs = 100;
    // The shortest lone burst that still carries the status byte.
    static constexpr std::size_t LoneBurstMinimum = ControllerFrameLayout::StatusMask + 1;
    static constexpr std::size_t MaximumHeld = 2 * ControllerFrameLayout::Size - 1;

    struct Sink
    {
        std::function<void(std::span<const std::uint8_t> reply, ReplyForm form)> reply;
        std::function<void(std::size_t count, DropReason why)> dropped;
    };

    explicit ReplyAssembler(Sink sink);

    // Bytes read at nowMs on the tick counter (wrap-around arithmetic).
    void Append(std::span<const std::uint8_t> block, std::uint32_t nowMs);
    // The line was seen empty at nowMs: more than BurstGapMs after the last read, that ends the
    // burst and decides everything it still holds.
    void LineQuiet(std::uint32_t nowMs);
    // Drops every byte held, whole reply or not.
    void Discard();

    bool BurstOpen() const { return burstOpen_; }
    std::size_t HeldCount() const { return heldCount_; }
    std::size_t DroppedBytes() const { return droppedBytes_; }

private:
    enum class Later
    {
        None,
        Undecided,
        Found,
    };

    void endBurst();
    void settle(bool burstOver);
    Later laterStart(std::span<const std::uint8_t> held, bool burstOver, std::size_t& offset) const;
    void dropFront(std::size_t count, DropReason why);
    void reportDrops();
    bool loneBurstPossible() const { return burstCount_ <= head_.size(); }

    Sink sink_;
    std::array<std::uint8_t, MaximumHeld> held_{};
    std::size_t heldCount_ = 0;
    ControllerFrame head_{}; // the first bytes of the burst, for a lone burst
    std::size_t burstCount_ = 0;
    std::size_t wholeInBurst_ = 0;
    // Dropped but not yet reported, by reason: while a burst may still turn out lone, and to
    // report a run of noise once rather than byte by byte.
    std::array<std::size_t, 4> pendingDrops_{};
    bool burstOpen_ = false;
    std::uint32_t lastReadMs_ = 0;
    std::size_t droppedBytes_ = 0;
};

// 26 bytes with header, status command and checksum right.
bool IsWholeReply(std::span<const std::uint8_t> frame);
