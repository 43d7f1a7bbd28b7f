#include "floors/BevelPanel.h"

#include <QPainter>

namespace {
void drawBevel(QPainter& painter, const QRect& r, BevelPanel::Bevel bevel, const QPalette& pal)
{
    const bool raised = bevel == BevelPanel::Bevel::Raised;
    const QColor topLeft = raised ? pal.color(QPalette::Light) : pal.color(QPalette::Dark);
    const QColor bottomRight = raised ? pal.color(QPalette::Dark) : pal.color(QPalette::Light);
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}
} // namespace

BevelPanel::BevelPanel(std::optional<Bevel> outer, std::optional<Bevel> inner, QWidget* parent)
    : QWidget(parent), outer_(outer), inner_(inner)
{
    setAutoFillBackground(true);
}

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QRect edge = rect();
    for (const std::optional<Bevel>& bevel : {outer_, inner_}) {
        if (bevel) {
            drawBevel(painter, edge, *bevel, palette());
            edge.adjust(1, 1, -1, -1);
        }
    }
}
