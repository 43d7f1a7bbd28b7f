#include "components/Drawing.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <climits>

namespace {

int channel(TColor rgb, int shift)
{
    return int((static_cast<std::uint32_t>(rgb) >> shift) & 0xFF);
}

TColor fromChannels(int red, int green, int blue)
{
    return static_cast<TColor>(red | green << 8 | blue << 16);
}

// One ring of a 3-D edge: the top-left colour on the top and left sides, the bottom-right
// colour on the bottom and right sides, which own the two shared corners.
void drawRing(QPainter& canvas, const QRect& r, TColor topLeft, TColor bottomRight)
{
    const int right = r.left() + r.width();
    const int bottom = r.top() + r.height();
    FillRectangle(canvas, RectLTRB(r.left(), r.top(), right - 1, r.top() + 1), topLeft);
    FillRectangle(canvas, RectLTRB(r.left(), r.top(), r.left() + 1, bottom - 1), topLeft);
    FillRectangle(canvas, RectLTRB(r.left(), bottom - 1, right, bottom), bottomRight);
    FillRectangle(canvas, RectLTRB(right - 1, r.top(), right, bottom), bottomRight);
}

// Where the canvas can show anything, in its own coordinates: the paint's clip, the system
// clip of a widget's paint and the bounds of an image; unbounded for a recording canvas.
QRectF shownArea(const QPainter& canvas)
{
    QRectF shown(-1e9, -1e9, 2e9, 2e9);
    const QPaintEngine* engine = canvas.paintEngine();
    if (engine && engine->type() != QPaintEngine::Picture) {
        const QRegion system = engine->systemClip();
        const QRect device = system.isEmpty()
                                 ? QRect(0, 0, canvas.device()->width(), canvas.device()->height())
                                 : system.boundingRect();
        shown = canvas.deviceTransform().inverted().mapRect(QRectF(device));
    }
    if (canvas.hasClipping())
        shown &= canvas.clipBoundingRect();
    return shown;
}

} // namespace

void FillRectangle(QPainter& canvas, const QRect& rect, TColor color)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    canvas.fillRect(rect, ToQColor(color));
}

TColor DimColor(TColor color, int n)
{
    const TColor rgb = ColorToRGB(color);
    if (n < 1)
        return rgb;
    return fromChannels(channel(rgb, 0) / n, channel(rgb, 8) / n, channel(rgb, 16) / n);
}

TColor ShadeColor(TColor rgb, int delta)
{
    const auto shade = [delta](int channel) { return std::clamp(channel + delta, 0, 255); };
    return fromChannels(shade(channel(rgb, 0)), shade(channel(rgb, 8)), shade(channel(rgb, 16)));
}

void DrawColoredFocusRect(QPainter& canvas, const QRect& rect, TColor color)
{
    canvas.setPen(ToQColor(color));
    canvas.setBrush(ToQColor(color));
    const int left = rect.left();
    const int top = rect.top();
    const int right = left + rect.width();
    const int bottom = top + rect.height();
    if (right <= left || bottom <= top)
        return;

    // Only the dots that can show: a rectangle far larger than the canvas (a size read from a
    // file) would otherwise cost a point for every other pixel of its edges.
    const QRectF shown = shownArea(canvas);
    if (shown.isEmpty())
        return;
    const auto from = [](int edge, double shownEdge) {
        return shownEdge <= edge ? edge : int(std::min<double>(shownEdge - 1, INT_MAX));
    };
    const auto to = [](int edge, double shownEdge) {
        return shownEdge >= edge ? edge : int(std::max<double>(shownEdge + 1, INT_MIN));
    };
    QPolygon dots;
    const auto dot = [&dots](int x, int y) {
        if ((x + y) % 2 == 0)
            dots << QPoint(x, y);
    };
    for (int x = from(left, shown.left()); x < to(right, shown.right()); ++x) {
        dot(x, top);
        if (bottom - 1 > top)
            dot(x, bottom - 1);
    }
    for (int y = from(top + 1, shown.top()); y < to(bottom - 1, shown.bottom()); ++y) {
        dot(left, y);
        if (right - 1 > left)
            dot(right - 1, y);
    }

    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setCompositionMode(QPainter::CompositionMode_Difference);
    canvas.setPen(QPen(Qt::white, 0));
    canvas.drawPoints(dots);
    canvas.restore();
}

void DrawEdge3D(QPainter& canvas, const QRect& rect, int raised)
{
    if (raised != 0 && raised != 1)
        return;
    const QRect inner = rect.adjusted(1, 1, -1, -1);
    if (raised == 1) {
        drawRing(canvas, rect, cl3DLight, cl3DDkShadow);
        drawRing(canvas, inner, clBtnHighlight, clBtnShadow);
    } else {
        drawRing(canvas, rect, clBtnShadow, clBtnHighlight);
        drawRing(canvas, inner, cl3DDkShadow, cl3DLight);
    }
}
