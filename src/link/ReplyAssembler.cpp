#include "link/ReplyAssembler.h"

#include <algorithm>

void ReplyAssembler::Append(std::span<const std::uint8_t> block, const Dispatch& dispatch)
{
    while (!block.empty()) {
        if (pendingCount_ == 0 && block.size() >= pending_.size()) {
            dispatch(block.first(pending_.size()));
            block = block.subspan(pending_.size());
            continue;
        }
        const std::size_t take = std::min(pending_.size() - pendingCount_, block.size());
        std::copy_n(block.begin(), take, pending_.begin() + std::ptrdiff_t(pendingCount_));
        pendingCount_ += take;
        block = block.subspan(take);
        if (pendingCount_ == pending_.size()) {
            pendingCount_ = 0;
            dispatch(pending_);
        }
    }
}

void ReplyAssembler::EndBurst(const Dispatch& dispatch)
{
    const std::size_t count = pendingCount_;
    pendingCount_ = 0;
    if (count >= MinimumRemainder)
        dispatch(std::span<const std::uint8_t>(pending_).first(count));
    else
        droppedBytes_ += count;
}

void ReplyAssembler::Discard()
{
    droppedBytes_ += pendingCount_;
    pendingCount_ = 0;
}
