#include "floors/TShape.h"

#include <QPainter>

#include "components/Accessibility.h"
#include "components/TColor.h"
#include "floors/TShapeAccessible.h"

TShape::TShape(QWidget* parent) : QWidget(parent)
{
    InstallAccessibleInterface<TShape, TShapeAccessible>();
}

void TShape::SetBrushColor(std::uint32_t color)
{
    if (brush_.Color == color)
        return;
    brush_.Color = color;
    update();
    NotifyCheckedChange(this);
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(ToQColor(TColor(brush_.Color)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
