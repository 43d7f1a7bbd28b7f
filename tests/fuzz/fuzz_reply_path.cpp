// Arbitrary bytes cut into arbitrary bursts with arbitrary gaps, through reassembly and the
// dispatch into a real indicator look-up. The input is a sequence of
// [piece length][gap in ms][piece bytes...].
#include <cstddef>
#include <cstdint>
#include <span>

#include "FuzzCheck.h"
#include "link/ControllerLink.h"
#include "serial/TMSComm.h"

namespace {

struct CountingShape : IndicatorShape
{
    void SetBrushColor(std::uint32_t color) override
    {
        FUZZ_CHECK(color == 0x000000FF || color == 0x0000FF00);
        ++paints;
    }
    int paints = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMSComm comm;
    IndicatorLookup indicators;
    std::array<CountingShape, 8 * 21> shapes;
    for (int address = FirstControllerAddress; address <= LastControllerAddress; ++address) {
        const std::size_t relays = address == 1 ? 5 : (address - 1) % 4 == 0 ? 7 : 8;
        std::vector<IndicatorShape*> list;
        for (std::size_t i = 0; i < relays; ++i)
            list.push_back(&shapes[std::size_t(address - 1) * 8 + i]);
        indicators.Register(address, list);
    }
    ControllerLink link(comm, indicators);
    ReplyAssembler assembler;
    const auto dispatch = [&](std::span<const std::uint8_t> reply) {
        FUZZ_CHECK(reply.size() >= ReplyAssembler::MinimumRemainder && reply.size() <= 26);
        link.DispatchReply(reply.data(), std::uint16_t(reply.size()));
    };

    std::span<const std::uint8_t> input(data, size);
    while (input.size() >= 2) {
        const std::size_t length = std::min<std::size_t>(input[0], input.size() - 2);
        const int gapMs = input[1];
        const auto piece = input.subspan(2, length);
        input = input.subspan(2 + length);
        if (gapMs >= ControllerLink::BurstGapMs)
            assembler.EndBurst(dispatch);
        assembler.Append(piece, dispatch);
        FUZZ_CHECK(assembler.PendingCount() < 26);
    }
    assembler.EndBurst(dispatch);
    FUZZ_CHECK(assembler.PendingCount() == 0);
    return 0;
}
