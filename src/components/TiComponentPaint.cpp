// TiComponent's paint: through an off-screen image, or directly onto a metafile canvas.
#include "components/TiComponentPrivate.h"

#include "components/Drawing.h"
#include "components/SwallowErrors.h"

#include <QPaintEngine>
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

void TiComponent::paintEvent(QPaintEvent*)
{
    if (Width() <= 0 || Height() <= 0)
        return;
    QPainter canvas(this);
    // A QPicture is the metafile canvas: it records the drawing itself, no image in between.
    const QPaintEngine* engine = canvas.paintEngine();
    if ((engine && engine->type() == QPaintEngine::Picture) || !FitsOffScreenImage(size()))
        paintDirect(canvas);
    else
        paintBuffered(canvas);
}

void TiComponent::paintBuffered(QPainter& canvas)
{
    Lock();
    const auto unlock = qScopeGuard([this] { Unlock(); });
    SwallowErrors([this, &canvas] {
        QImage& offScreen = d->offScreen;
        if (offScreen.size() != size())
            offScreen = QImage(size(), QImage::Format_RGB32);
        {
            QPainter buffer(&offScreen);
            buffer.setBrush(QBrush(Qt::white, Qt::SolidPattern));
            buffer.setPen(QPen(Qt::black, 0, Qt::SolidLine));
            PaintTo(buffer);
        }
        canvas.drawImage(0, 0, offScreen);
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
