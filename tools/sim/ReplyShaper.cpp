#include "sim/ReplyShaper.h"

#include <stdexcept>

namespace L = ControllerFrameLayout;

static bool validDelay(int ms)
{
    return ms >= 0 && ms <= ReplyFaults::MaxDelayMs;
}

static bool everyNth(int every, std::uint64_t ordinal)
{
    return every > 0 && ordinal % static_cast<std::uint64_t>(every) == 0;
}

ReplyShaper::ReplyShaper(const ReplyFaults& faults) : faults_(faults)
{
    const bool splitValid =
        faults.splitAfterBytes == 0 ||
        (faults.splitAfterBytes > 0 && faults.splitAfterBytes < static_cast<int>(L::Size));
    if (!validDelay(faults.replyDelayMs) || !validDelay(faults.splitGapMs) || !splitValid ||
        faults.corruptEvery < 0 || faults.dropEvery < 0 || faults.corruptByte < 0 ||
        faults.corruptByte >= static_cast<int>(L::Size))
        throw std::invalid_argument("reply faults out of range");
}

ShapedReply ReplyShaper::Shape(const ControllerFrame& reply)
{
    ++replies_;
    ShapedReply shaped;
    if (everyNth(faults_.dropEvery, replies_)) {
        shaped.dropped = true;
        return shaped;
    }
    ControllerFrame sent = reply;
    if (everyNth(faults_.corruptEvery, replies_)) {
        sent[static_cast<std::size_t>(faults_.corruptByte)] ^= 0xFF;
        shaped.corrupted = true;
    }
    const int split = faults_.splitAfterBytes;
    if (split == 0) {
        shaped.pieces.push_back({faults_.replyDelayMs, 0, {sent.begin(), sent.end()}});
    } else {
        const int gap = faults_.splitGapMs;
        shaped.pieces.push_back({faults_.replyDelayMs, 0, {sent.begin(), sent.begin() + split}});
        shaped.pieces.push_back(
            {faults_.replyDelayMs + gap, gap, {sent.begin() + split, sent.end()}});
    }
    return shaped;
}
