#pragma once

#include "link/ControllerFrame.h"

#include <cstdint>
#include <vector>

// How the boards' replies reach the line: after what delay, in how many pieces, and which of
// them a faulty bus spoils. Counted, not random, so every run spoils the same replies.
struct ReplyFaults
{
    static constexpr int MaxDelayMs = 60000;

    int replyDelayMs = 5;
    // 0 sends each reply in one burst; otherwise the first piece holds this many bytes and the
    // rest follows splitGapMs later.
    int splitAfterBytes = 0;
    int splitGapMs = 0;
    // Every corruptEvery-th reply has byte corruptByte inverted; 0 spoils none. The default
    // byte is the checksum, which leaves the bytes the station reads intact.
    int corruptEvery = 0;
    int corruptByte = static_cast<int>(ControllerFrameLayout::Checksum);
    // Every dropEvery-th reply is never sent; 0 drops none. A dropped reply is not corrupted.
    int dropEvery = 0;
};

struct ReplyPiece
{
    int atMs = 0;  // after the request arrived
    int gapMs = 0; // at least this long after the piece before it has gone out
    std::vector<std::uint8_t> bytes;
};

struct ShapedReply
{
    std::vector<ReplyPiece> pieces; // empty when dropped
    bool dropped = false;
    bool corrupted = false;
};

class ReplyShaper
{
public:
    // Throws std::invalid_argument for values outside what ReplyFaults allows.
    explicit ReplyShaper(const ReplyFaults& faults);

    // Counts the reply and says how it goes out.
    ShapedReply Shape(const ControllerFrame& reply);

    const ReplyFaults& Faults() const { return faults_; }

private:
    ReplyFaults faults_;
    std::uint64_t replies_ = 0;
};
