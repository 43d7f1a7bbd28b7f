#include "link/ReplyAssembler.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace L = ControllerFrameLayout;

bool IsWholeReply(std::span<const std::uint8_t> frame)
{
    return frame.size() == L::Size && frame[L::Header] == FrameHeader &&
           frame[L::Command] == ReadStatusCommand &&
           FrameChecksum(frame.first<L::Size>()) == frame[L::Checksum];
}

namespace {

// Whether a whole reply may begin with these bytes, as far as they go.
bool mayStartReply(std::span<const std::uint8_t> held)
{
    if (held[L::Header] != FrameHeader)
        return false;
    if (held.size() > L::Command && held[L::Command] != ReadStatusCommand)
        return false;
    return held.size() < L::Size || IsWholeReply(held.first(L::Size));
}

} // namespace

ReplyAssembler::ReplyAssembler(Sink sink) : sink_(std::move(sink)) {}

void ReplyAssembler::Append(std::span<const std::uint8_t> block, std::uint32_t nowMs)
{
    if (block.empty())
        return;
    burstOpen_ = true;
    lastReadMs_ = nowMs;
    for (const std::uint8_t byte : block) {
        if (burstCount_ < head_.size())
            head_[burstCount_] = byte;
        ++burstCount_;
        held_[heldCount_++] = byte;
        settle(false);
    }
    if (!loneBurstPossible())
        reportDrops();
}

void ReplyAssembler::LineQuiet(std::uint32_t nowMs)
{
    if (burstOpen_ && std::uint32_t(nowMs - lastReadMs_) > std::uint32_t(BurstGapMs))
        endBurst();
}

void ReplyAssembler::endBurst()
{
    if (!burstOpen_)
        return;
    settle(true);
    const bool lone = wholeInBurst_ == 0 && burstCount_ >= LoneBurstMinimum && loneBurstPossible();
    const ControllerFrame head = head_;
    const std::size_t count = burstCount_;
    if (lone) {
        pendingDrops_.fill(0);
    } else if (wholeInBurst_ == 0) {
        // Whatever was held back waiting for the burst to end: a burst without a reply.
        const std::size_t held =
            std::accumulate(pendingDrops_.begin(), pendingDrops_.end(), std::size_t(0));
        pendingDrops_.fill(0);
        pendingDrops_[std::size_t(DropReason::NoReply)] = held;
    }
    reportDrops();
    burstOpen_ = false;
    burstCount_ = 0;
    wholeInBurst_ = 0;
    if (lone && sink_.reply)
        sink_.reply(std::span(head).first(count), ReplyForm::LoneBurst);
}

void ReplyAssembler::Discard()
{
    const std::size_t count =
        heldCount_ + std::accumulate(pendingDrops_.begin(), pendingDrops_.end(), std::size_t(0));
    pendingDrops_.fill(0);
    heldCount_ = 0;
    burstOpen_ = false;
    burstCount_ = 0;
    wholeInBurst_ = 0;
    if (count > 0) {
        pendingDrops_[std::size_t(DropReason::Discarded)] = count;
        reportDrops();
    }
}

// Decides from the front of the held bytes until it needs more of them; at the end of the
// burst it needs none.
void ReplyAssembler::settle(bool burstOver)
{
    while (heldCount_ > 0) {
        const std::span<const std::uint8_t> held(held_.data(), heldCount_);
        if (!mayStartReply(held)) {
            dropFront(1, DropReason::Noise);
            continue;
        }
        if (heldCount_ < L::Size) {
            if (burstOver)
                dropFront(heldCount_, DropReason::Noise);
            return;
        }
        std::size_t offset = 0;
        switch (laterStart(held, burstOver, offset)) {
        case Later::Undecided:
            return;
        case Later::Found:
            dropFront(offset, DropReason::FalseStart);
            continue;
        case Later::None:
            break;
        }
        ControllerFrame frame{};
        std::copy_n(held.begin(), L::Size, frame.begin());
        std::copy(held_.begin() + L::Size, held_.begin() + std::ptrdiff_t(heldCount_),
                  held_.begin());
        heldCount_ -= L::Size;
        ++wholeInBurst_;
        if (!loneBurstPossible())
            reportDrops();
        if (sink_.reply)
            sink_.reply(frame, ReplyForm::Whole);
    }
}

// Looks for another whole reply starting inside the whole frame at the front of held.
ReplyAssembler::Later ReplyAssembler::laterStart(std::span<const std::uint8_t> held, bool burstOver,
                                                 std::size_t& offset) const
{
    for (std::size_t p = 1; p < L::Size; ++p) {
        const auto rest = held.subspan(p);
        if (rest[L::Header] != FrameHeader)
            continue;
        if (rest.size() >= L::Size) {
            if (IsWholeReply(rest.first(L::Size))) {
                offset = p;
                return Later::Found;
            }
            continue;
        }
        if (!burstOver && (rest.size() <= L::Command || rest[L::Command] == ReadStatusCommand))
            return Later::Undecided;
    }
    return Later::None;
}

void ReplyAssembler::dropFront(std::size_t count, DropReason why)
{
    std::copy(held_.begin() + std::ptrdiff_t(count), held_.begin() + std::ptrdiff_t(heldCount_),
              held_.begin());
    heldCount_ -= count;
    pendingDrops_[std::size_t(why)] += count;
}

void ReplyAssembler::reportDrops()
{
    for (std::size_t i = 0; i < pendingDrops_.size(); ++i) {
        const std::size_t count = std::exchange(pendingDrops_[i], 0);
        if (count == 0)
            continue;
        droppedBytes_ += count;
        if (sink_.dropped)
            sink_.dropped(count, DropReason(i));
    }
}
