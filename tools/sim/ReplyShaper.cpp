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

ReplyShaper::ReplyShaper(const ReplyFaults& faults) : m_faults(faults)
{
    const bool splitValid =
        faults.splitAfterBytes == 0 ||
        (faults.splitAfterBytes > 0 && faults.splitAfterBytes < static_cast<int>(L::Size));
    if (!validDelay(faults.replyDelayMs) || !validDelay(faults.splitGapMs) || !splitValid ||
        faults.corruptEvery < 0 || faults.dropEvery < 0 || faults.corruptByte < 0 ||
        faults.corruptByte >= static_cast<int>(L::Size))
        throw std::invalid_argument("reply faults out of range");
}

ShapedReply ReplyShaper::shape(const ControllerFrame& reply)
{
    ++m_replies;
    ShapedReply shaped;
    if (everyNth(m_faults.dropEvery, m_replies)) {
        shaped.dropped = true;
        return shaped;
    }
    ControllerFrame sent = reply;
    if (everyNth(m_faults.corruptEvery, m_replies)) {
        sent[static_cast<std::size_t>(m_faults.corruptByte)] ^= 0xFF;
        shaped.corrupted = true;
    }
    const int split = m_faults.splitAfterBytes;
    if (split == 0) {
        shaped.pieces.push_back({m_faults.replyDelayMs, 0, {sent.begin(), sent.end()}});
    } else {
        const int gap = m_faults.splitGapMs;
        shaped.pieces.push_back({m_faults.replyDelayMs, 0, {sent.begin(), sent.begin() + split}});
        shaped.pieces.push_back(
            {m_faults.replyDelayMs + gap, gap, {sent.begin() + split, sent.end()}});
    }
    return shaped;
}
