// TiComponent's repaint requests, the update lock and the frame-rate limit: the rules are the
// scheduler's, the component forwards to it.
#include "components/TiComponentPrivate.h"

bool TiComponent::AutoFrameRate() const
{
    return d->repaints.AutoFrameRate();
}

void TiComponent::SetAutoFrameRate(bool value)
{
    d->repaints.SetAutoFrameRate(value);
}

int TiComponent::UpdateFrameRate() const
{
    return d->repaints.UpdateFrameRate();
}

void TiComponent::SetUpdateFrameRate(int value)
{
    d->repaints.SetUpdateFrameRate(value);
}

bool TiComponent::UpdateLocked() const
{
    return d->repaints.UpdateLocked();
}

bool TiComponent::RepaintPending() const
{
    return d->repaints.RepaintPending();
}

bool TiComponent::BackGroundPending() const
{
    return d->repaints.BackGroundPending();
}

double TiComponent::LastRepaintTime() const
{
    return d->repaints.LastRepaintTime();
}

void TiComponent::InvalidateChange()
{
    d->repaints.InvalidateChange();
}

void TiComponent::BackGroundChange()
{
    d->repaints.BackGroundChange();
}

void TiComponent::RequestRepaint(int kind)
{
    if (kind == RepaintContents)
        InvalidateChange();
    else if (kind == RepaintBackGround)
        BackGroundChange();
}

void TiComponent::FullRepaint()
{
    BackGroundChange();
}

void TiComponent::BeginUpdate()
{
    d->repaints.BeginUpdate();
}

void TiComponent::EndUpdate()
{
    d->repaints.EndUpdate();
}
