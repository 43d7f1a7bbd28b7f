#include "floors/TShape.h"

#include <QPainter>

namespace {
QColor FromBgr(std::uint32_t color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}
} // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::SetBrushColor(std::uint32_t color)
{
    if (brush_.Color == color)
        return;
    brush_.Color = color;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(FromBgr(brush_.Color));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
