// TiComponent's repaint requests, the update lock and the frame-rate limit.
#include "components/TiComponentPrivate.h"

#include <QDateTime>

bool TiComponent::AutoFrameRate() const
{
    return d->autoFrameRate;
}

void TiComponent::SetAutoFrameRate(bool value)
{
    if (value == d->autoFrameRate)
        return;
    d->autoFrameRate = value;
    if (value)
        BackGroundChange();
    else
        EndUpdate();
}

int TiComponent::UpdateFrameRate() const
{
    return d->updateFrameRate;
}

void TiComponent::SetUpdateFrameRate(int value)
{
    SetIntegerProperty(value, d->updateFrameRate, RepaintBackGround);
}

bool TiComponent::UpdateLocked() const
{
    return d->updateLocked;
}

bool TiComponent::RepaintPending() const
{
    return d->repaintPending;
}

bool TiComponent::BackGroundPending() const
{
    return d->backGroundPending;
}

double TiComponent::LastRepaintTime() const
{
    return d->lastRepaintTime;
}

int TiComponent::RepaintNowCount() const
{
    return d->repaintNowCount;
}

void TiComponent::InvalidateChange()
{
    Request(d->repaintPending);
}

void TiComponent::BackGroundChange()
{
    Request(d->backGroundPending);
}

void TiComponent::RequestRepaint(int kind)
{
    if (kind == RepaintContents)
        InvalidateChange();
    else if (kind == RepaintBackGround)
        BackGroundChange();
}

void TiComponent::Request(bool& pending)
{
    if (d->updateLocked) {
        pending = true;
    } else if (d->autoFrameRate) {
        pending = true;
        CheckFrameRate();
    } else {
        RepaintNow();
    }
}

void TiComponent::CheckFrameRate()
{
    if (!d->autoFrameRate || d->updateFrameRate == 0)
        return;
    // In 64 bits: a large frame rate must not overflow the product.
    const double period = 1.0 / double(qint64(d->updateFrameRate) * 24 * 60 * 60);
    if (Now() > d->lastRepaintTime + period)
        RepaintNow();
}

void TiComponent::RepaintNow()
{
    d->backGroundPending = false;
    d->repaintPending = false;
    d->lastRepaintTime = Now();
    ++d->repaintNowCount;
    update();
}

double TiComponent::Now() const
{
    const QDateTime now = QDateTime::currentDateTime();
    constexpr double MillisecondsPerDay = 24.0 * 60 * 60 * 1000;
    return double(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / MillisecondsPerDay;
}

void TiComponent::FullRepaint()
{
    BackGroundChange();
}

void TiComponent::BeginUpdate()
{
    d->updateLocked = true;
}

void TiComponent::EndUpdate()
{
    d->updateLocked = false;
    if (d->backGroundPending || d->repaintPending)
        RepaintNow();
    else
        CheckFrameRate();
}
