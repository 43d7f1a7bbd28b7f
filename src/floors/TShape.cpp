#include "floors/TShape.h"

#include <QPainter>

#include "components/TColor.h"

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
    painter.setBrush(ToQColor(TColor(brush_.Color)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
