#include "link/IndicatorLookup.h"

#include <stdexcept>

namespace {
constexpr std::size_t MaxShapesPerController = 8;
}

void IndicatorLookup::Register(int address, std::vector<IndicatorShape*> shapesInBitOrder)
{
    if (address < FirstControllerAddress || address > LastControllerAddress)
        throw std::out_of_range("controller address out of range");
    if (shapesInBitOrder.size() > MaxShapesPerController)
        throw std::length_error("a controller has at most eight relays");
    shapes_[std::size_t(address)] = std::move(shapesInBitOrder);
}

std::span<IndicatorShape* const> IndicatorLookup::ShapesOf(int address) const
{
    if (address < FirstControllerAddress || address > LastControllerAddress)
        return {};
    return shapes_[std::size_t(address)];
}
