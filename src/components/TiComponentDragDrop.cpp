// TiComponent's drag and drop: drags offered to OnDragOver, drops to OnDragDrop, drags it starts.
#include "components/TiComponentPrivate.h"

#include "components/DropWatch.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

#include <utility>

void TiComponent::dragEnterEvent(QDragEnterEvent* event)
{
    dragOver(event, dsDragEnter);
}

void TiComponent::dragMoveEvent(QDragMoveEvent* event)
{
    dragOver(event, dsDragMove);
}

void TiComponent::dragOver(QDragMoveEvent* event, TDragState state)
{
    d->dragSource = event->source();
    d->dragPosition = event->position().toPoint();
    d->dragAccepted = false;
    bool accept = false;
    if (OnDragOver) {
        accept = true;
        OnDragOver(this, d->dragSource, d->dragPosition.x(), d->dragPosition.y(), state, accept);
    }
    d->dragAccepted = accept;
    if (accept) {
        event->acceptProposedAction();
    } else if (state == dsDragEnter && OnDragOver) {
        // Qt sends no moves to a widget that refuses the enter, and the handler may take the
        // drop a little further on: the enter is kept, without a drop action.
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
    } else {
        // Without a handler, Qt offers the drag to the parent instead.
        event->ignore();
    }
}

void TiComponent::dragLeaveEvent(QDragLeaveEvent*)
{
    // Qt tells no position on leaving: the handler gets the last one.
    bool accept = d->dragAccepted;
    d->dragAccepted = false;
    if (OnDragOver)
        OnDragOver(this, d->dragSource, d->dragPosition.x(), d->dragPosition.y(), dsDragLeave,
                   accept);
}

void TiComponent::dropEvent(QDropEvent* event)
{
    // Another program's drag may drop where it was refused: such a drop is not taken.
    if (!std::exchange(d->dragAccepted, false)) {
        event->ignore();
        return;
    }
    const QPoint p = event->position().toPoint();
    event->acceptProposedAction();
    if (OnDragDrop)
        OnDragDrop(this, event->source(), p.x(), p.y());
}

void TiComponent::BeginDrag()
{
    // Qt deletes the drag once it is over.
    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(new QMimeData);
    if (OnStartDrag)
        OnStartDrag(this, drag);
    const DropWatch watch;
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction);
    QObject* target = action != Qt::IgnoreAction && drag ? drag->target() : nullptr;
    const QPoint at = target ? watch.PositionIn(target) : QPoint();
    if (OnEndDrag)
        OnEndDrag(this, target, at.x(), at.y());
}
