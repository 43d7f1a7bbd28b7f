#pragma once

#include <QAccessible>
#include <QList>
#include <QPointer>

// What an assistive-technology bridge is handed by the platform layer: every accessibility
// event of the process, recorded by a bridge plugin linked into the test program. This is the
// road the platform's own bridge takes, and it works on the offscreen platform, where no
// screen reader makes accessibility active.
struct AccessibleEventRecord
{
    QPointer<QObject> object;
    QAccessible::Event type;
    QAccessible::State changedStates; // of a StateChanged event
};

namespace AccessibleEvents {
void Clear();
// How many StateChanged events for the object reported a change of its checked state.
int CheckedChanges(const QObject* object);
} // namespace AccessibleEvents
