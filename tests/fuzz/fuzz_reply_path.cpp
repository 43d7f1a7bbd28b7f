// Arbitrary bytes cut into arbitrary reads with arbitrary gaps, through reassembly and the
// dispatch into a real indicator look-up. The input is a sequence of
// [piece length][gap in ms, the high bit set when the line was seen empty before the piece]
// [piece bytes...].
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
    std::size_t used = 0;
    std::size_t dropped = 0;
    ReplyAssembler assembler({[&](std::span<const std::uint8_t> reply, ReplyForm form) {
                                  // Only a whole reply, or a lone burst that carries the status
                                  // byte, goes on.
                                  if (form == ReplyForm::Whole)
                                      FUZZ_CHECK(IsWholeReply(reply));
                                  else
                                      FUZZ_CHECK(reply.size() >= ReplyAssembler::LoneBurstMinimum &&
                                                 reply.size() <= ControllerFrameLayout::Size);
                                  used += reply.size();
                                  link.DispatchReply(reply.data(), std::uint16_t(reply.size()));
                              },
                              [&](std::size_t count, DropReason) { dropped += count; }});

    std::span<const std::uint8_t> input(data, size);
    std::size_t total = 0;
    std::uint32_t now = 0;
    while (input.size() >= 2) {
        const std::size_t length = std::min<std::size_t>(input[0], input.size() - 2);
        now += input[1] & 0x7Fu;
        if (input[1] & 0x80u)
            assembler.LineQuiet(now);
        const auto piece = input.subspan(2, length);
        input = input.subspan(2 + length);
        assembler.Append(piece, now);
        total += piece.size();
        FUZZ_CHECK(assembler.HeldCount() <= ReplyAssembler::MaximumHeld);
    }
    assembler.LineQuiet(now + ReplyAssembler::BurstGapMs + 1);
    FUZZ_CHECK(assembler.HeldCount() == 0);
    // Every byte is used by a reply or dropped, none twice.
    FUZZ_CHECK(used + dropped == total);
    FUZZ_CHECK(dropped == assembler.DroppedBytes());
    return 0;
}
