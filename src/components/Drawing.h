#pragma once

#include "components/TColor.h"

#include <QRect>
#include <QSize>

class QPainter;

// Rectangles here are given by left, top, right and bottom, right and bottom exclusive.
constexpr QRect RectLTRB(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// Fills nothing when the rectangle is empty or inverted.
void FillRectangle(QPainter& canvas, const QRect& rect, TColor color);

// Each channel divided by n; a system colour is resolved first. n below 1 leaves the colour
// as it is rather than dividing by zero.
TColor DimColor(TColor color, int n);

// Adds delta to each channel of a 24-bit colour, kept within 0..255 so that a light or dark
// colour never carries into its neighbour's channel.
TColor ShadeColor(TColor rgb, int delta);

// The dotted focus rectangle: every other pixel along the edges inverted, so it shows on any
// background and a second call removes it. Leaves the pen and brush in the given colour.
void DrawColoredFocusRect(QPainter& canvas, const QRect& rect, TColor color);

// Raised (1) or sunken (0) outer and inner edges on all four sides; other values draw nothing.
void DrawEdge3D(QPainter& canvas, const QRect& rect, int raised);

// Off-screen and snapshot images are bounded: a size read from a file must not make the
// station allocate gigabytes. A component larger than this paints without them.
constexpr qint64 MaxOffScreenPixels = 4096 * 4096;
inline bool FitsOffScreenImage(QSize size)
{
    return qint64(size.width()) * qint64(size.height()) <= MaxOffScreenPixels;
}
