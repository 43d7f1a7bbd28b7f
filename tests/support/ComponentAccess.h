#pragma once

#include "components/TiComponentPrivate.h"
#include "components/TiVCLComponentPrivate.h"

#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

// What the instrument components keep to themselves, for tests to look into.
class ComponentAccess
{
public:
    // Counts every repaint the component asks of its window from now on.
    static std::shared_ptr<const int> CountRepaints(TiComponent& component)
    {
        auto count = std::make_shared<int>(0);
        std::function<void()>& repaint = component.d->repaints.repaint_;
        repaint = [count, window = std::move(repaint)] {
            ++*count;
            window();
        };
        return count;
    }

    // The copy of the parent's pixels exists only in transparent mode.
    static bool HasBackGroundSnapshot(const TiVCLComponent& component)
    {
        return component.d->backGroundSnapshot != nullptr;
    }

    // True when another thread takes the paint lock at once: no paint still holds it.
    static bool PaintLockIsFree(TiVCLComponent& component)
    {
        bool taken = false;
        std::thread other([&component, &taken] {
            std::unique_lock lock(component.d->paintLock, std::try_to_lock);
            taken = lock.owns_lock();
        });
        other.join();
        return taken;
    }
};

// The repaints a component asks of its window, counted from the counter's creation on.
class RepaintCounter
{
public:
    explicit RepaintCounter(TiComponent& component)
        : count_(ComponentAccess::CountRepaints(component))
    {}

    int Count() const { return *count_; }

private:
    std::shared_ptr<const int> count_;
};
