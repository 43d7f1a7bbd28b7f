#pragma once

#include <QMargins>
#include <QObject>
#include <QSize>

class QWidget;

// Keeps a top-level window at the outer size its layout gives, frame included. The frame is
// the window manager's and becomes known only once it has framed the window, which may be
// after the window was first shown: the client is fitted whenever the frame becomes known or
// changes. Without a frame (no window manager, the offscreen platform) the client keeps the
// size it was given; a maximised or minimised window is left alone.
class OuterSizeFit : public QObject
{
public:
    OuterSizeFit(QWidget& window, QSize outerSize);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();

    QWidget& window_;
    const QSize outerSize_;
    QMargins fittedFrame_;
};
