#include "components/RepaintScheduler.h"

#include <QDateTime>

#include <utility>

double LocalTimeInDays()
{
    const QDateTime now = QDateTime::currentDateTime();
    constexpr double MillisecondsPerDay = 24.0 * 60 * 60 * 1000;
    return double(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / MillisecondsPerDay;
}

RepaintScheduler::RepaintScheduler(std::function<double()> now, std::function<void()> repaint)
    : now_(std::move(now)), repaint_(std::move(repaint)), lastRepaintTime_(now_())
{}

bool RepaintScheduler::UpdateLocked() const
{
    return updateLocked_;
}

bool RepaintScheduler::RepaintPending() const
{
    return repaintPending_;
}

bool RepaintScheduler::BackGroundPending() const
{
    return backGroundPending_;
}

double RepaintScheduler::LastRepaintTime() const
{
    return lastRepaintTime_;
}

bool RepaintScheduler::AutoFrameRate() const
{
    return autoFrameRate_;
}

void RepaintScheduler::SetAutoFrameRate(bool value)
{
    if (value == autoFrameRate_)
        return;
    autoFrameRate_ = value;
    if (value)
        BackGroundChange();
    else
        EndUpdate();
}

int RepaintScheduler::UpdateFrameRate() const
{
    return updateFrameRate_;
}

void RepaintScheduler::SetUpdateFrameRate(int value)
{
    if (value == updateFrameRate_)
        return;
    updateFrameRate_ = value;
    BackGroundChange();
}

void RepaintScheduler::InvalidateChange()
{
    request(repaintPending_);
}

void RepaintScheduler::BackGroundChange()
{
    request(backGroundPending_);
}

void RepaintScheduler::BeginUpdate()
{
    updateLocked_ = true;
}

void RepaintScheduler::EndUpdate()
{
    updateLocked_ = false;
    if (backGroundPending_ || repaintPending_)
        RepaintNow();
    else
        CheckFrameRate();
}

void RepaintScheduler::RepaintNow()
{
    backGroundPending_ = false;
    repaintPending_ = false;
    lastRepaintTime_ = now_();
    repaint_();
}

void RepaintScheduler::request(bool& pending)
{
    if (updateLocked_) {
        pending = true;
    } else if (autoFrameRate_) {
        pending = true;
        CheckFrameRate();
    } else {
        RepaintNow();
    }
}

void RepaintScheduler::CheckFrameRate()
{
    if (!autoFrameRate_ || updateFrameRate_ == 0)
        return;
    // In 64 bits: a large frame rate must not overflow the product.
    const double period = 1.0 / double(qint64(updateFrameRate_) * 24 * 60 * 60);
    if (now_() > lastRepaintTime_ + period)
        RepaintNow();
}
