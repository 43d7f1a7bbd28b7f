#include "floors/OuterRectFit.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

OuterRectFit::OuterRectFit(QWidget& window, QRect outer)
    : QObject(&window), window_(window), outer_(outer)
{
    window_.installEventFilter(this);
}

QSize OuterRectFit::ClientSize(QSize outer, QMargins frame)
{
    return outer.shrunkBy(frame).expandedTo(outer - DesignFrame);
}

bool OuterRectFit::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        placing_ = true;
        fit();
        break;
    case QEvent::Hide:
        placing_ = false;
        break;
    // The window manager's framing reaches the window as a move; a frame read at the first
    // show is often still empty.
    case QEvent::Move:
    case QEvent::Resize:
        fit();
        break;
    default:
        break;
    }
    return false;
}

void OuterRectFit::fit()
{
    QWindow* handle = window_.windowHandle();
    if (handle == nullptr || !window_.isVisible() ||
        (window_.windowState() &
         (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        return;
    const QMargins frame = handle->frameMargins();
    if (frame.isNull())
        return;
    const QSize client = ClientSize(outer_.size(), frame);
    // A showing fits the size afresh: what the window manager last reported may be a size from
    // before the fit, when the window was shown and hidden at once.
    if (placing_ || frame != fittedFrame_) {
        fittedFrame_ = frame;
        if (window_.size() != client)
            window_.resize(client);
    }
    // While the window was hidden the window manager left the client where the frame had been:
    // shown from there, the frame would land one title bar higher on every showing.
    if (placing_) {
        if (handle->framePosition() != outer_.topLeft())
            handle->setFramePosition(outer_.topLeft());
        else if (window_.size() == client)
            placing_ = false;
    }
}
