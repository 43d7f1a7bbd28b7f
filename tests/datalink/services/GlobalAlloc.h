#pragma once

#include "objsvc/GlobalMemory.h"

#include <cstdint>

// How a server hands out global memory blocks: it allocates them on the process's global heap,
// fills them, and frees them when the receiver is done.

constexpr std::uint32_t GMEM_MOVEABLE = 0x0002;
constexpr std::uint32_t GMEM_ZEROINIT = 0x0040;
constexpr std::uint32_t GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Blocks are bounded: a request above this gives no block.
constexpr std::size_t GlobalMemoryLimit = 64 * 1024 * 1024;

// Blocks always start zeroed.
HGLOBAL GlobalAlloc(std::uint32_t flags, std::size_t size);
// Null once freed; the handle itself when it named no block.
HGLOBAL GlobalFree(HGLOBAL block);
