// Raw driver input in arbitrary chunks through the PARMRK mark decoder. The first byte of each
// chunk gives its length.
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "serial/ParmrkDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ParmrkDecoder chunked;
    ParmrkDecoder whole;
    std::size_t dataBytes = 0;
    int marks = 0;
    std::span<const std::uint8_t> input(data, size);
    std::vector<std::uint8_t> raw;
    while (!input.empty()) {
        const std::size_t length = std::min<std::size_t>(input[0], input.size() - 1);
        const auto chunk = input.subspan(1, length);
        input = input.subspan(1 + length);
        raw.insert(raw.end(), chunk.begin(), chunk.end());
        const int pendingBefore = chunked.PendingBytes();
        const ParmrkChunk out = chunked.Decode(chunk);
        FUZZ_CHECK(out.data.size() <= chunk.size() + std::size_t(pendingBefore));
        FUZZ_CHECK(chunked.PendingBytes() >= 0 && chunked.PendingBytes() <= 2);
        dataBytes += out.data.size();
        marks += out.errorMarks;
    }
    // However the driver cut the input, it decodes to the same bytes and marks.
    const ParmrkChunk all = whole.Decode(raw);
    FUZZ_CHECK(all.data.size() == dataBytes);
    FUZZ_CHECK(all.errorMarks == marks);
    FUZZ_CHECK(whole.PendingBytes() == chunked.PendingBytes());
    return 0;
}
