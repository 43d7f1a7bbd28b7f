#pragma once

#include <functional>

// Local time in days since 1899-12-30, the clock of the frame-rate limit.
double LocalTimeInDays();

// When an instrument repaints. A property change requests a repaint of the contents or of the
// contents and the background. While the update lock is on, a request is only marked pending.
// With the frame-rate limit on, a request repaints only when more than 1 / UpdateFrameRate
// seconds have passed since the last repaint; otherwise it stays pending until a later request,
// EndUpdate, or a paint for another reason shows it: no timer flushes it. The clock and the
// repaint itself (invalidating the window) are the owner's, so the rules run without a window.
class RepaintScheduler
{
public:
    // now: local time in days since 1899-12-30, read at creation as the last repaint's time.
    RepaintScheduler(std::function<double()> now, std::function<void()> repaint);

    bool UpdateLocked() const;
    bool RepaintPending() const;
    bool BackGroundPending() const;
    double LastRepaintTime() const;

    bool AutoFrameRate() const;
    // Turning it on requests a background repaint; turning it off is an EndUpdate.
    void SetAutoFrameRate(bool value);
    int UpdateFrameRate() const;
    // A change requests a background repaint; 0 leaves every request pending until EndUpdate.
    void SetUpdateFrameRate(int value);

    void InvalidateChange();
    void BackGroundChange();
    // A single flag: a second BeginUpdate does not nest, the first EndUpdate releases it.
    void BeginUpdate();
    // Repaints what is pending; with nothing pending, what the frame-rate limit allows.
    void EndUpdate();
    void RepaintNow();

private:
    // Reaches the repaint action, to count what a component asks of its window.
    friend class ComponentAccess;

    void request(bool& pending);
    void CheckFrameRate();

    std::function<double()> now_;
    std::function<void()> repaint_;
    bool updateLocked_ = false;
    int updateFrameRate_ = 60;
    double lastRepaintTime_ = 0;
    bool repaintPending_ = false;
    bool backGroundPending_ = false;
    bool autoFrameRate_ = false;
};
