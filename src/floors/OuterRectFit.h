#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;
class QWindow;

// Keeps a top-level window's outer rectangle, frame included, where its layout puts it, on
// every showing. The frame is the window manager's and becomes known only once it has framed
// the window, which may be after the window was shown: until the window sits where it
// belongs, every move and resize is checked and corrected. A frame thicker than the one the
// layouts were drawn with would leave the client less room than they give it: then the client
// keeps that room and the frame grows to the right and down. Without a frame (no window
// manager, the offscreen platform) the client keeps the size it was given; a maximised or
// minimised window is left alone.
class OuterRectFit : public QObject
{
public:
    // The frame the layouts were drawn with: 8 pixels wider and 27 taller than the client.
    static constexpr QSize DesignFrame{8, 27};

    OuterRectFit(QWidget& window, QRect outer);

    static QSize ClientSize(QSize outer, QMargins frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit(bool showing);

    QWidget& window_;
    const QRect outer_;
    QMargins fittedFrame_;
    // The native window, once it exists; a new one may replace it.
    QPointer<QWindow> watchedHandle_;
    // Shown, and not yet seen where the layout puts it.
    bool placing_ = false;
    int placeRequests_ = 0;
};
