#include "floors/OuterRectFit.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {
constexpr int MaxPlaceRequests = 4;
}

OuterRectFit::OuterRectFit(QWidget& window, QRect outer)
    : QObject(&window), window_(window), outer_(outer)
{
    window_.installEventFilter(this);
}

QSize OuterRectFit::ClientSize(QSize outer, QMargins frame)
{
    return outer.shrunkBy(frame).expandedTo(outer - DesignFrame);
}

bool OuterRectFit::eventFilter(QObject* watched, QEvent* event)
{
    // A window manager that frames the client where it stands moves nothing: the first word
    // that the frame is there is the exposure of the framed window.
    if (watched != &window_) {
        if (event->type() == QEvent::Expose)
            fit(false);
        return false;
    }
    switch (event->type()) {
    case QEvent::Show:
        if (QWindow* handle = window_.windowHandle(); handle != watchedHandle_) {
            handle->installEventFilter(this);
            watchedHandle_ = handle;
        }
        placing_ = true;
        placeRequests_ = 0;
        fit(true);
        break;
    case QEvent::Hide:
        placing_ = false;
        break;
    // The window manager's framing reaches the window as a move; a frame read at the first
    // show is often still empty.
    case QEvent::Move:
    case QEvent::Resize:
        fit(false);
        break;
    default:
        break;
    }
    return false;
}

void OuterRectFit::fit(bool showing)
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
    if (placing_ || frame != fittedFrame_) {
        fittedFrame_ = frame;
        if (window_.size() != client)
            window_.resize(client);
    }
    if (!placing_)
        return;
    // While the window was hidden the window manager left the client where the frame had been:
    // shown from there, the frame would land one title bar higher on every showing. And the
    // size the station holds may never have reached the server: a window shown and hidden at
    // once (floor 2 at start-up) can be gone before the window manager acts on its fit. So
    // every showing sends the whole rectangle again, and the window is checked until it sits
    // where it belongs.
    if (showing || handle->framePosition() != outer_.topLeft()) {
        // A window manager that places windows itself must not pin the window down: moved by
        // the operator, it would jump back.
        if (placeRequests_ == MaxPlaceRequests) {
            placing_ = false;
            return;
        }
        ++placeRequests_;
        handle->setFramePosition(outer_.topLeft());
    } else if (window_.size() == client) {
        placing_ = false;
    }
}
