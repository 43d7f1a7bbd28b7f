#pragma once

#include <initializer_list>
#include <vector>

#include <QPointer>
#include <QWidget>

// A busy cursor on some widgets for as long as the object lives: the wait cursor on a switch
// and its surroundings while a switch command is under way, the app-starting cursor on a
// screen during refreshes and moves. At the end every widget that still exists shows the
// default cursor, not the one it had before, so a switch that showed the hand shows the arrow
// from then on. The end comes however the scope is left: also when the station ends inside a
// wait.
class ScopedCursor
{
public:
    // Null widgets are passed over.
    ScopedCursor(Qt::CursorShape shape, std::initializer_list<QWidget*> widgets);
    ~ScopedCursor();

    ScopedCursor(const ScopedCursor&) = delete;
    ScopedCursor& operator=(const ScopedCursor&) = delete;

private:
    std::vector<QPointer<QWidget>> widgets_;
};
