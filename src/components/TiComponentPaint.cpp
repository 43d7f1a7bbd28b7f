// TiComponent's paint: through an off-screen image, or directly onto a metafile canvas.
#include "components/TiComponentPrivate.h"

#include "components/Drawing.h"
#include "components/SwallowErrors.h"

#include <QImage>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScopeGuard>

void TiComponent::DrawBackGround(QPainter& canvas, TColor color)
{
    FillRectangle(canvas, rect(), color);
    DrawBorder(canvas);
}

void TiComponent::DrawBorder(QPainter& canvas)
{
    if (d->borderStyle == 1)
        DrawEdge3D(canvas, rect(), 1);
    else if (d->borderStyle == 2)
        DrawEdge3D(canvas, rect(), 0);
}

void TiComponent::paintEvent(QPaintEvent* event)
{
    if (Width() <= 0 || Height() <= 0)
        return;
    QPainter canvas(this);
    // Only the part this paint shows is buffered: a component far larger than its window (a
    // width read from a file) costs no more than the window.
    const QRect area = event->rect() & rect();
    // A QPicture is the metafile canvas: it records the drawing itself, no image in between.
    const QPaintEngine* engine = canvas.paintEngine();
    if ((engine && engine->type() == QPaintEngine::Picture) || !FitsOffScreenImage(area.size()))
        paintDirect(canvas);
    else if (!area.isEmpty())
        paintBuffered(canvas, area);
}

void TiComponent::paintBuffered(QPainter& canvas, const QRect& area)
{
    Lock();
    const auto unlock = qScopeGuard([this] { Unlock(); });
    SwallowErrors([this, &canvas, &area] {
        // The image lives for this paint only.
        QImage offScreen(area.size(), QImage::Format_RGB32);
        {
            QPainter buffer(&offScreen);
            buffer.translate(-area.topLeft());
            buffer.setBrush(QBrush(Qt::white, Qt::SolidPattern));
            buffer.setPen(QPen(Qt::black, 0, Qt::SolidLine));
            PaintTo(buffer);
        }
        canvas.drawImage(area.topLeft(), offScreen);
    });
}

void TiComponent::paintDirect(QPainter& canvas)
{
    Lock();
    const bool cachedDrawing = d->cachedDrawing;
    d->cachedDrawing = false;
    const auto restore = qScopeGuard([this, cachedDrawing] {
        d->cachedDrawing = cachedDrawing;
        Unlock();
    });
    SwallowErrors([this, &canvas] { PaintTo(canvas); });
}
