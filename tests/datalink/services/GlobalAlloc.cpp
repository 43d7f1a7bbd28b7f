#include "services/GlobalAlloc.h"

HGLOBAL GlobalAlloc(std::uint32_t, std::size_t size)
{
    if (size > GlobalMemoryLimit)
        return nullptr;
    // A handle is a number, never an address: nothing can be reached through it but the heap.
    static std::uintptr_t next = 0;
    const auto handle = reinterpret_cast<HGLOBAL>(++next);
    auto block = std::make_unique<GlobalBlock>();
    block->data.resize(size);
    GlobalHeap().emplace(handle, std::move(block));
    return handle;
}

HGLOBAL GlobalFree(HGLOBAL handle)
{
    if (GlobalHeap().erase(handle) == 0)
        return handle;
    return nullptr;
}
