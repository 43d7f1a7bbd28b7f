#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "link/ControllerFrame.h"

// Cuts the bytes of one receive burst into 26-byte replies. Adapters may deliver a reply in
// pieces or two replies together; a piece waits for the rest of its burst. Holds at most one
// incomplete reply, so nothing read from the line can grow it.
class ReplyAssembler
{
public:
    using Dispatch = std::function<void(std::span<const std::uint8_t> reply)>;

    // Smallest remainder that still carries the status byte.
    static constexpr std::size_t MinimumRemainder = ControllerFrameLayout::StatusMask + 1;

    // Dispatches every reply the block completes; keeps a trailing piece.
    void Append(std::span<const std::uint8_t> block, const Dispatch& dispatch);
    // The burst is over: a remainder long enough to hold the status byte is dispatched, a
    // shorter one dropped.
    void EndBurst(const Dispatch& dispatch);
    void Discard();

    std::size_t PendingCount() const { return pendingCount_; }
    std::size_t DroppedBytes() const { return droppedBytes_; }

private:
    ControllerFrame pending_{};
    std::size_t pendingCount_ = 0;
    std::size_t droppedBytes_ = 0;
};
