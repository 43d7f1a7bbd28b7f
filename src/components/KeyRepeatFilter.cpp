#include "components/KeyRepeatFilter.h"

#include <QGuiApplication>
#include <QKeyEvent>

bool KeyRepeatFilter::PlatformSplitsRepeats()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

KeyRepeatFilter::KeyRepeatFilter(bool holdReleases, std::function<void(QKeyEvent&)> deliver)
    : holdReleases_(holdReleases), deliver_(std::move(deliver))
{
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { expire(); });
}

KeyRepeatFilter::~KeyRepeatFilter() = default;

bool KeyRepeatFilter::Filter(QKeyEvent& event)
{
    if (event.type() == QEvent::KeyRelease && event.isAutoRepeat())
        return true;
    if (!holdReleases_)
        return false;
    if (event.type() == QEvent::KeyRelease) {
        Flush();
        held_.reset(static_cast<QKeyEvent*>(event.clone()));
        lastRound_ = false;
        timer_.start(HoldMs);
        return true;
    }
    if (event.type() != QEvent::KeyPress || !held_)
        return false;
    const bool pairsWithHeld = event.key() == held_->key() &&
                               event.nativeScanCode() == held_->nativeScanCode() &&
                               event.timestamp() == held_->timestamp();
    if (pairsWithHeld) {
        timer_.stop();
        held_.reset();
    } else {
        Flush();
    }
    return false;
}

void KeyRepeatFilter::Flush()
{
    timer_.stop();
    if (!held_)
        return;
    // Taken out first: delivering may run a nested event loop that brings the next release.
    const std::unique_ptr<QKeyEvent> release = std::move(held_);
    deliver_(*release);
}

void KeyRepeatFilter::expire()
{
    if (!lastRound_) {
        lastRound_ = true;
        timer_.start(0);
        return;
    }
    Flush();
}
