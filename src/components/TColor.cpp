#include "components/TColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

namespace {

struct PaletteEntry
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

constexpr QPalette::ColorGroup Active = QPalette::Active;

// The system colour indices, 0 to 30, in the palette's terms. Index 25 is unused.
constexpr std::array<PaletteEntry, 31> SystemColors{{
    {Active, QPalette::Midlight},                    // scroll bar
    {Active, QPalette::Dark},                        // desktop
    {Active, QPalette::Highlight},                   // active caption
    {Active, QPalette::Mid},                         // inactive caption
    {Active, QPalette::Window},                      // menu
    {Active, QPalette::Base},                        // window
    {Active, QPalette::Shadow},                      // window frame
    {Active, QPalette::WindowText},                  // menu text
    {Active, QPalette::Text},                        // window text
    {Active, QPalette::HighlightedText},             // caption text
    {Active, QPalette::Window},                      // active border
    {Active, QPalette::Window},                      // inactive border
    {Active, QPalette::Dark},                        // application workspace
    {Active, QPalette::Highlight},                   // highlight
    {Active, QPalette::HighlightedText},             // highlight text
    {Active, QPalette::Button},                      // button face
    {Active, QPalette::Dark},                        // button shadow
    {QPalette::Disabled, QPalette::Text},            // grey text
    {Active, QPalette::ButtonText},                  // button text
    {QPalette::Inactive, QPalette::HighlightedText}, // inactive caption text
    {Active, QPalette::Light},                       // button highlight
    {Active, QPalette::Shadow},                      // 3-D dark shadow
    {Active, QPalette::Midlight},                    // 3-D light
    {Active, QPalette::ToolTipText},                 // info text
    {Active, QPalette::ToolTipBase},                 // info background
    {Active, QPalette::NoRole},                      // unused
    {Active, QPalette::Link},                        // hot light
    {Active, QPalette::Highlight},                   // gradient active caption
    {Active, QPalette::Mid},                         // gradient inactive caption
    {Active, QPalette::Highlight},                   // menu highlight
    {Active, QPalette::Window},                      // menu bar
}};

} // namespace

TColor ColorToRGB(TColor color)
{
    const auto value = static_cast<std::uint32_t>(color);
    if ((value & 0xFF000000u) != 0x80000000u)
        return static_cast<TColor>(value & 0x00FFFFFFu);
    const std::uint32_t index = value & 0x00FFFFFFu;
    if (index >= SystemColors.size() || SystemColors[index].role == QPalette::NoRole)
        return clBlack;
    const PaletteEntry entry = SystemColors[index];
    const QColor c = QGuiApplication::palette().color(entry.group, entry.role);
    return static_cast<TColor>(c.red() | c.green() << 8 | c.blue() << 16);
}

QColor ToQColor(TColor color)
{
    const auto rgb = static_cast<std::uint32_t>(ColorToRGB(color));
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}
