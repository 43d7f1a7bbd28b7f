// A server's stream-notification block, as untrusted bytes, through the block reader; the
// first byte chooses the format with or without time stamps.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "datalink/iOPCStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // A copy of exactly the block's size, so that any read past it is caught.
    const std::vector<std::uint8_t> block(data + 1, data + size);
    const auto items = OPCReadStreamBlock(block.data(), block.size(), (data[0] & 1) != 0);
    // Every item has a header of its own inside the block.
    FUZZ_CHECK(items.size() <= block.size() / 8);
    return 0;
}
