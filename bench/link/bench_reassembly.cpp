// The reassembly's cost per byte read, for the kinds of traffic a line carries: clean replies,
// replies among noise, noise alone, and noise made of headers and status commands, which keeps
// false starts alive longest. Each stream is fed in reads of a given size.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "link/ReplyAssembler.h"
#include "sim/RelayBoards.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void appendReply(Bytes& stream, std::uint8_t address, std::uint8_t status)
{
    const ControllerFrame frame = RelayBoards::BuildStatusReply(address, status);
    stream.insert(stream.end(), frame.begin(), frame.end());
}

struct Figures
{
    double nsPerByte;
    std::size_t replies;
    std::size_t dropped;
};

Figures measure(const Bytes& stream, std::size_t readSize)
{
    std::size_t replies = 0;
    ReplyAssembler assembler(
        {[&](std::span<const std::uint8_t>, ReplyForm) { ++replies; }, nullptr});
    std::uint32_t now = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        const std::size_t n = std::min(readSize, stream.size() - at);
        assembler.Append(std::span(stream).subspan(at, n), now);
        now += 1;
    }
    assembler.LineQuiet(now + ReplyAssembler::BurstGapMs + 1);
    const auto ns =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    return {ns / double(stream.size()), replies, assembler.DroppedBytes()};
}

} // namespace

int main()
{
    constexpr std::size_t Size = 8 * 1024 * 1024;
    std::mt19937 random(13);
    const auto pick = [&](int below) { return int(random() % unsigned(below)); };

    struct Stream
    {
        const char* name;
        Bytes bytes;
    };
    std::vector<Stream> streams(5);
    streams[0].name = "clean replies";
    streams[1].name = "replies, 1-19 noise bytes before each";
    streams[2].name = "random noise";
    streams[3].name = "noise of headers and status commands";
    streams[4].name = "replies whose checksum is a header";
    while (streams[0].bytes.size() < Size)
        appendReply(streams[0].bytes, std::uint8_t(1 + pick(21)), std::uint8_t(random()));
    while (streams[1].bytes.size() < Size) {
        for (int n = 1 + pick(19); n > 0; --n)
            streams[1].bytes.push_back(std::uint8_t(random()));
        appendReply(streams[1].bytes, std::uint8_t(1 + pick(21)), std::uint8_t(random()));
    }
    while (streams[2].bytes.size() < Size)
        streams[2].bytes.push_back(std::uint8_t(random()));
    while (streams[3].bytes.size() < Size)
        streams[3].bytes.push_back(pick(2) ? FrameHeader : pick(2) ? ReadStatusCommand : 0);
    while (streams[4].bytes.size() < Size) {
        const auto address = std::uint8_t(1 + pick(21));
        appendReply(streams[4].bytes, address, std::uint8_t(247 - address));
    }

    std::printf("reassembly cost per byte read (%zu MiB per stream)\n", Size / (1024 * 1024));
    for (const Stream& stream : streams) {
        for (const std::size_t readSize : {std::size_t(1), std::size_t(26), std::size_t(4096)}) {
            const Figures f = measure(stream.bytes, readSize);
            std::printf("  %-40s reads of %4zu bytes: %6.1f ns/byte, %zu replies, %zu bytes "
                        "dropped\n",
                        stream.name, readSize, f.nsPerByte, f.replies, f.dropped);
        }
    }
    return 0;
}
