#include "sim/FrameFinder.h"

#include <algorithm>

namespace L = ControllerFrameLayout;

std::vector<ControllerFrame> FrameFinder::feed(std::span<const std::uint8_t> bytes)
{
    std::vector<ControllerFrame> frames;
    for (const std::uint8_t byte : bytes) {
        if (m_count == 0 && byte != FrameHeader) {
            ++m_skipped;
            continue;
        }
        m_frame[m_count++] = byte;
        if (m_count < L::Size)
            continue;
        if (FrameChecksum(m_frame) == m_frame[L::Checksum]) {
            frames.push_back(m_frame);
            m_count = 0;
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
    const auto next = std::find(m_frame.begin() + 1, m_frame.end(), FrameHeader);
    const auto dropped = static_cast<std::size_t>(next - m_frame.begin());
    std::copy(next, m_frame.end(), m_frame.begin());
    m_count = L::Size - dropped;
    m_skipped += dropped;
}
