// TiComponent's input routing: mouse, key and focus events into the hooks and the user's handlers,
// in their fixed order.
#include "components/TiComponentPrivate.h"

#include "components/SwallowErrors.h"
#include "components/VirtualKey.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <optional>

namespace {

std::optional<TMouseButton> mouseButtonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return mbLeft;
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return std::nullopt;
    }
}

} // namespace

void TiComponent::DoSetFocus()
{
    d->focused = true;
    update();
}

void TiComponent::DoKillFocus()
{
    SwallowErrors([this] {
        d->focused = false;
        // Drops whatever a held button had started.
        iMouseUp(mbLeft, TShiftState(), 0, 0);
        update();
    });
}

void TiComponent::iWantSpecialKey(quint16&, qint32&) {}
void TiComponent::iKeyUp(quint16&, TShiftState) {}
void TiComponent::iKeyDown(quint16&, TShiftState) {}
void TiComponent::iKeyPress(QChar&) {}
void TiComponent::iMouseDown(TMouseButton, TShiftState, int, int) {}
void TiComponent::iMouseUp(TMouseButton, TShiftState, int, int) {}
void TiComponent::iMouseMove(TShiftState, int, int) {}
void TiComponent::iDoubleClick() {}

bool TiComponent::iMouseWheel(int, TShiftState, const QPoint&)
{
    return false;
}

bool TiComponent::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // A held key repeats its press only; the release comes once, when the key is let go.
        if (d->keyRepeat->Filter(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::CursorChange:
        // Set through Qt directly, as the screens do for their busy cursors.
        d->cursorId = testAttribute(Qt::WA_SetCursor) ? CursorIdOf(cursor().shape()) : crDefault;
        break;
    case QEvent::FocusOut:
        // The key was let go before the focus left.
        d->keyRepeat->Flush();
        break;
    case QEvent::ToolTip:
        if (!d->showHint) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TiComponent::mousePressEvent(QMouseEvent* event)
{
    const auto button = mouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    if (*button == mbLeft)
        d->clicked = true;
    mouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons()),
              event->position().toPoint());
}

void TiComponent::mouseReleaseEvent(QMouseEvent* event)
{
    const auto button = mouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    if (*button == mbLeft && d->clicked) {
        d->clicked = false;
        if (rect().contains(p) && OnClick)
            OnClick(this);
    }
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    iMouseUp(*button, shift, p.x(), p.y());
    if (OnMouseUp)
        OnMouseUp(this, *button, shift, p.x(), p.y());
}

void TiComponent::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click: no click of its own, a press all the same.
    const auto button = mouseButtonOf(event->button());
    if (!button) {
        event->ignore();
        return;
    }
    if (*button == mbLeft) {
        iDoubleClick();
        if (OnDblClick)
            OnDblClick(this);
    }
    mouseDown(*button, ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble,
              event->position().toPoint());
}

void TiComponent::mouseDown(TMouseButton button, TShiftState shift, QPoint p)
{
    iMouseDown(button, shift, p.x(), p.y());
    if (OnMouseDown)
        OnMouseDown(this, button, shift, p.x(), p.y());
}

void TiComponent::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    iMouseMove(shift, p.x(), p.y());
    if (OnMouseMove)
        OnMouseMove(this, shift, p.x(), p.y());
}

void TiComponent::keyPressEvent(QKeyEvent* event)
{
    const TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
    quint16 key = VirtualKeyOf(event->key());
    SwallowErrors([&] {
        if (OnKeyDown)
            OnKeyDown(this, key, shift);
        iKeyDown(key, shift);
    });
    for (QChar character : event->text()) {
        SwallowErrors([&] {
            if (OnKeyPress)
                OnKeyPress(this, character);
            iKeyPress(character);
        });
    }
    event->accept();
}

void TiComponent::keyReleaseEvent(QKeyEvent* event)
{
    const TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
    quint16 key = VirtualKeyOf(event->key());
    SwallowErrors([&] {
        if (OnKeyUp)
            OnKeyUp(this, key, shift);
        iKeyUp(key, shift);
    });
    event->accept();
}

void TiComponent::contextMenuEvent(QContextMenuEvent* event)
{
    if (!d->popupMenu) {
        event->ignore();
        return;
    }
    d->popupMenu->popup(event->globalPos());
}
