#pragma once

#include "components/TiComponent.h"

#include <functional>
#include <memory>

class TiOPCItem;
class TiOPCItemManager;

// An instrument as a real child window: the paint lock, no background erase, repaint on
// palette and style changes, focus tracking, guarded mouse buttons, a doubled key-up, the
// special-key and wheel hooks, a transparent mode over a snapshot of the parent's pixels, a
// timer for descendants, and the attachment point of the data link.
class TiVCLComponent : public TiComponent
{
    Q_OBJECT

public:
    explicit TiVCLComponent(QWidget* parent = nullptr);
    ~TiVCLComponent() override;

    bool Transparent() const;
    virtual void SetTransparent(bool value);
    // False: the layer applies incoming link data itself.
    virtual bool OPCNewDataFilter(TiOPCItem* item);

    TiOPCItemManager* OPCItemManager() const;
    bool ApplyingLinkData() const;
    bool SnapshotPending() const;
    // Retakes the snapshot at the next paint, in transparent mode only.
    void RequestSnapshot();

    // Fired after link data arrived for the item at Index.
    TIndexObjectEvent OnNewOPCData;
    // The descendant's notification of each timer tick.
    std::function<void()> OnInternalTimer;

    void Lock() override;
    void Unlock() override;
    bool TimerRunning() const override;
    // Nothing when a timer runs already or both intervals are 0.
    void TimerStart(int firstInterval, int repeatInterval) override;
    void TimerStop() override;
    // A change that came from the link is not written back to it.
    bool OPCOutputData(const QString& propertyName, const QVariant& value) override;
    void FullRepaint() override;

protected:
    void DrawBackGround(QPainter& canvas, TColor color) override;
    void boundsChanged() override;

    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Reaches the state tests look into.
    friend class ComponentAccess;
    struct Private;

    void newOPCData(TiOPCItem* item);
    void TakeSnapshot();

    std::unique_ptr<Private> d;
};
