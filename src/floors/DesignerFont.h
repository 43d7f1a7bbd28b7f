#pragma once

#include <QFont>

// The screens were designed with "MS Serif" and "MS Sans Serif"; asking for them by name
// lets fontconfig pick the nearest installed face, and the CJK face supplies the Chinese
// glyphs.
QFont DesignerFont(const char* family, int pixelSize);

constexpr const char* SerifFamily = "MS Serif";
constexpr const char* SansSerifFamily = "MS Sans Serif";
