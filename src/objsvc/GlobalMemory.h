#pragma once

#include <cstddef>
#include <cstdint>

// Movable global memory blocks, the medium of a data-advise notification. A handle names a
// block only while it is allocated: every call checks it, so a stale or forged handle reaches
// no memory.
using HGLOBAL = struct GlobalBlockHandle*;

constexpr std::uint32_t GMEM_MOVEABLE = 0x0002;
constexpr std::uint32_t GMEM_ZEROINIT = 0x0040;
constexpr std::uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Blocks are bounded: a request above this gives no block.
constexpr std::size_t GlobalMemoryLimit = 64 * 1024 * 1024;

// Blocks always start zeroed.
HGLOBAL GlobalAlloc(std::uint32_t flags, std::size_t size);
// Null once freed.
HGLOBAL GlobalFree(HGLOBAL block);
// Null for a handle that names no block, and for an empty block.
void* GlobalLock(HGLOBAL block);
// True while the block stays locked by an earlier lock.
bool GlobalUnlock(HGLOBAL block);
// 0 for a handle that names no block.
std::size_t GlobalSize(HGLOBAL block);
