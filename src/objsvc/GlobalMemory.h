#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

// Movable global memory blocks, the medium of a data-advise notification. A handle names a
// block only while the process's global heap holds it: every call checks it, so a stale or
// forged handle reaches no memory.
using HGLOBAL = struct GlobalBlockHandle*;

struct GlobalBlock
{
    std::vector<std::byte> data;
    int locks = 0;
};

// The process's global heap: every block a handle names. The side that sends a medium (a
// server) allocates and frees its blocks here; the receiver only locks them.
std::map<HGLOBAL, std::unique_ptr<GlobalBlock>>& GlobalHeap();

// Null for a handle that names no block, and for an empty block.
void* GlobalLock(HGLOBAL block);
// True while the block stays locked by an earlier lock.
bool GlobalUnlock(HGLOBAL block);
// 0 for a handle that names no block.
std::size_t GlobalSize(HGLOBAL block);
