#include "sim/FrameFinder.h"

#include <algorithm>

namespace L = ControllerFrameLayout;

std::vector<ControllerFrame> FrameFinder::Feed(std::span<const std::uint8_t> bytes)
{
    std::vector<ControllerFrame> frames;
    for (const std::uint8_t byte : bytes) {
        if (count_ == 0 && byte != FrameHeader) {
            ++skipped_;
            continue;
        }
        frame_[count_++] = byte;
        if (count_ < L::Size)
            continue;
        if (FrameChecksum(frame_) == frame_[L::Checksum]) {
            frames.push_back(frame_);
            count_ = 0;
        } else {
            resynchronise();
        }
    }
    return frames;
}

// The held block was a false start: drop its header and start again at the next header byte
// inside it, since a real frame may begin there.
void FrameFinder::resynchronise()
{
    const auto next = std::find(frame_.begin() + 1, frame_.end(), FrameHeader);
    const auto dropped = static_cast<std::size_t>(next - frame_.begin());
    std::copy(next, frame_.end(), frame_.begin());
    count_ = L::Size - dropped;
    skipped_ += dropped;
}
