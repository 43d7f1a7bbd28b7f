#pragma once

#include <functional>
#include <memory>

#include <QTimer>

class QKeyEvent;

// Makes a held key arrive the same way on every platform: repeated presses, and one release
// when the key is let go. Releases marked as repeats are dropped. X11 delivers each repeat as
// a release and a press with equal time stamps, and Qt marks such a pair only when the press
// has already arrived while the release is handled, which a loaded machine often misses: there
// an unmarked release is held back until it is clear whether its press follows.
class KeyRepeatFilter
{
public:
    // How long a release waits for the press of its pair. The pair leaves the server together;
    // on a loaded machine the press has been seen arriving some 30 ms after the release.
    static constexpr int HoldMs = 100;

    // Whether the running platform splits repeats into release and press pairs (X11).
    static bool PlatformSplitsRepeats();

    // deliver receives a held release that turned out to be the key's real release.
    KeyRepeatFilter(bool holdReleases, std::function<void(QKeyEvent&)> deliver);
    ~KeyRepeatFilter();
    KeyRepeatFilter(const KeyRepeatFilter&) = delete;
    KeyRepeatFilter& operator=(const KeyRepeatFilter&) = delete;

    // Takes key presses and releases in their order of arrival. True when the event is taken
    // (a release held back, or dropped as half of a repeat); false when it goes on as usual,
    // after a held release it follows has been delivered.
    bool Filter(QKeyEvent& event);
    // Delivers a held release at once: what follows (focus leaving, other input) needs it done.
    void Flush();

private:
    void expire();

    const bool holdReleases_;
    std::function<void(QKeyEvent&)> deliver_;
    std::unique_ptr<QKeyEvent> held_;
    QTimer timer_;
    // The hold has run out; one more round of the event loop lets input that arrived
    // meanwhile, the press of the pair included, be handled first.
    bool lastRound_ = false;
};
