// TiComponent's bounds: applied once, clamped to what a widget takes, and the centre point.
#include "components/TiComponentPrivate.h"

#include <algorithm>
#include <limits>

int TiComponent::Left() const
{
    return geometry().x();
}

void TiComponent::SetLeft(int value)
{
    SetBounds(value, Top(), Width(), Height());
}

int TiComponent::Top() const
{
    return geometry().y();
}

void TiComponent::SetTop(int value)
{
    SetBounds(Left(), value, Width(), Height());
}

int TiComponent::Width() const
{
    return geometry().width();
}

void TiComponent::SetWidth(int value)
{
    SetBounds(Left(), Top(), value, Height());
}

int TiComponent::Height() const
{
    return geometry().height();
}

void TiComponent::SetHeight(int value)
{
    SetBounds(Left(), Top(), Width(), value);
}

void TiComponent::SetBounds(int left, int top, int width, int height)
{
    // Qt keeps no widget larger than QWIDGETSIZE_MAX, and a rectangle's far edge must fit in
    // an int: bounds from a file or the data link can be anything.
    constexpr int Farthest = std::numeric_limits<int>::max() - QWIDGETSIZE_MAX;
    left = std::clamp(left, -Farthest, Farthest);
    top = std::clamp(top, -Farthest, Farthest);
    width = std::clamp(width, 0, QWIDGETSIZE_MAX);
    height = std::clamp(height, 0, QWIDGETSIZE_MAX);
    if (QRect(left, top, width, height) == geometry())
        return;
    setGeometry(left, top, width, height);
    // A visible widget has already seen its move and resize events.
    if (geometry() != d->appliedBounds)
        boundsChanged();
}

void TiComponent::boundsChanged()
{
    d->appliedBounds = geometry();
    BackGroundChange();
}

void TiComponent::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (geometry() != d->appliedBounds)
        boundsChanged();
}

void TiComponent::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (geometry() != d->appliedBounds)
        boundsChanged();
}

QPoint TiComponent::GetCenterPoint() const
{
    return QPoint(Width() / 2 + d->centerOffsetX, Height() / 2 + d->centerOffsetY);
}

void TiComponent::setCenterOffset(int x, int y)
{
    d->centerOffsetX = x;
    d->centerOffsetY = y;
}
