#pragma once

#include <cstdint>

// Milliseconds on a monotonic clock, as a 32-bit counter that wraps; only differences count.
std::uint32_t TickCount();
