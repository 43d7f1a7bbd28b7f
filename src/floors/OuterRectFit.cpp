#include "floors/OuterSizeFit.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

OuterSizeFit::OuterSizeFit(QWidget& window, QSize outerSize)
    : QObject(&window), window_(window), outerSize_(outerSize)
{
    window_.installEventFilter(this);
}

bool OuterSizeFit::eventFilter(QObject*, QEvent* event)
{
    // The window manager's framing reaches the window as a move; a frame read at the first
    // show is often still empty.
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        fit();
        break;
    default:
        break;
    }
    return false;
}

void OuterSizeFit::fit()
{
    const QWindow* handle = window_.windowHandle();
    if (handle == nullptr || !window_.isVisible() ||
        (window_.windowState() &
         (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        return;
    const QMargins frame = handle->frameMargins();
    if (frame.isNull() || frame == fittedFrame_)
        return;
    fittedFrame_ = frame;
    window_.resize(outerSize_.shrunkBy(frame));
}
