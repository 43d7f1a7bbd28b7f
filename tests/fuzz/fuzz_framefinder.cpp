// The simulator's frame finder over an arbitrary byte stream in arbitrary reads; the first
// byte of each read gives its length.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "sim/FrameFinder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FrameFinder finder;
    std::size_t fed = 0;
    std::size_t framed = 0;
    std::span<const std::uint8_t> input(data, size);
    while (!input.empty()) {
        const std::size_t length = std::min<std::size_t>(input[0], input.size() - 1);
        const auto read = input.subspan(1, length);
        input = input.subspan(1 + length);
        fed += read.size();
        for (const ControllerFrame& frame : finder.Feed(read)) {
            FUZZ_CHECK(frame[ControllerFrameLayout::Header] == FrameHeader);
            FUZZ_CHECK(frame[ControllerFrameLayout::Checksum] == FrameChecksum(frame));
            framed += frame.size();
        }
        FUZZ_CHECK(finder.Pending() < ControllerFrameLayout::Size);
    }
    // Every byte is in a frame, skipped, or held.
    FUZZ_CHECK(framed + finder.Skipped() + finder.Pending() == fed);
    return 0;
}
