#include "floors/ScopedCursor.h"

ScopedCursor::ScopedCursor(Qt::CursorShape shape, std::initializer_list<QWidget*> widgets)
{
    for (QWidget* widget : widgets) {
        if (widget == nullptr)
            continue;
        widget->setCursor(shape);
        widgets_.emplace_back(widget);
    }
}

ScopedCursor::~ScopedCursor()
{
    // The nested event loops of a wait may have destroyed a widget meanwhile.
    for (const QPointer<QWidget>& widget : widgets_) {
        if (widget)
            widget->unsetCursor();
    }
}
