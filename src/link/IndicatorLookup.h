#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "link/ControllerFrame.h"

// An indicator the reply dispatch can colour; screens implement it with their shape controls.
class IndicatorShape
{
public:
    virtual ~IndicatorShape() = default;
    // Colour in the 0x00BBGGRR form.
    virtual void SetBrushColor(std::uint32_t color) = 0;
};

// Address → that controller's indicator shapes in bit order (first shape = bit 1). Screens
// register their shapes when they are built; an address nobody registered finds no shapes.
class IndicatorLookup
{
public:
    void Register(int address, std::vector<IndicatorShape*> shapesInBitOrder);
    std::span<IndicatorShape* const> ShapesOf(int address) const;

private:
    std::array<std::vector<IndicatorShape*>, LastControllerAddress + 1> shapes_;
};
