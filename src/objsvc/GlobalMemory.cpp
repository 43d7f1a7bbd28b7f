#include "objsvc/GlobalMemory.h"

#include <map>
#include <memory>
#include <vector>

namespace {

struct Block
{
    std::vector<std::byte> data;
    int locks = 0;
};

std::map<HGLOBAL, std::unique_ptr<Block>>& blocks()
{
    static std::map<HGLOBAL, std::unique_ptr<Block>> all;
    return all;
}

Block* find(HGLOBAL handle)
{
    const auto found = blocks().find(handle);
    return found == blocks().end() ? nullptr : found->second.get();
}

} // namespace

HGLOBAL GlobalAlloc(std::uint32_t, std::size_t size)
{
    if (size > GlobalMemoryLimit)
        return nullptr;
    // A handle is a number, never an address: nothing can be reached through it but the map.
    static std::uintptr_t next = 0;
    const auto handle = reinterpret_cast<HGLOBAL>(++next);
    auto block = std::make_unique<Block>();
    block->data.resize(size);
    blocks().emplace(handle, std::move(block));
    return handle;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    if (blocks().erase(handle) == 0)
        return handle;
    return nullptr;
}

void* GlobalLock(HGLOBAL handle)
{
    Block* block = find(handle);
    if (!block || block->data.empty())
        return nullptr;
    ++block->locks;
    return block->data.data();
}

bool GlobalUnlock(HGLOBAL handle)
{
    Block* block = find(handle);
    if (!block || block->locks == 0)
        return false;
    return --block->locks > 0;
}

std::size_t GlobalSize(HGLOBAL handle)
{
    Block* block = find(handle);
    return block ? block->data.size() : 0;
}
