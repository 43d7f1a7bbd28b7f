#include "objsvc/GlobalMemory.h"

namespace {

GlobalBlock* find(HGLOBAL handle)
{
    const auto found = GlobalHeap().find(handle);
    return found == GlobalHeap().end() ? nullptr : found->second.get();
}

} // namespace

std::map<HGLOBAL, std::unique_ptr<GlobalBlock>>& GlobalHeap()
{
    static std::map<HGLOBAL, std::unique_ptr<GlobalBlock>> blocks;
    return blocks;
}

void* GlobalLock(HGLOBAL handle)
{
    GlobalBlock* block = find(handle);
    if (!block || block->data.empty())
        return nullptr;
    ++block->locks;
    return block->data.data();
}

bool GlobalUnlock(HGLOBAL handle)
{
    GlobalBlock* block = find(handle);
    if (!block || block->locks == 0)
        return false;
    return --block->locks > 0;
}

std::size_t GlobalSize(HGLOBAL handle)
{
    GlobalBlock* block = find(handle);
    return block ? block->data.size() : 0;
}
