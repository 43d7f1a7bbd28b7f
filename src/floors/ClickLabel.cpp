#include "floors/ClickLabel.h"

#include <QMouseEvent>

#include "components/Accessibility.h"
#include "floors/ClickLabelAccessible.h"

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent)
{
    InstallAccessibleInterface<ClickLabel, ClickLabelAccessible>();
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click && OnClick)
        OnClick(this);
}
