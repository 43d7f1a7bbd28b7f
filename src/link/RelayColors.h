#pragma once

#include <cstdint>

// How the station shows a relay, in the 0x00BBGGRR form: red while its controller reports it
// on, lime while off and until the controller's first reply.
constexpr std::uint32_t RelayOnColor = 0x000000FF;
constexpr std::uint32_t RelayOffColor = 0x0000FF00;

constexpr std::uint32_t RelayColor(bool on)
{
    return on ? RelayOnColor : RelayOffColor;
}
