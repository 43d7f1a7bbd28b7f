#pragma once

#include <exception>
#include <utility>

// Runs f and swallows an error of the general error class (std::exception) that it raises.
// This is the instruments' rule for painting and input: a failure while a component paints,
// handles a key, a mouse button or the loss of the focus, or is toggled by assistive
// technology, whether in its own code or in a user's handler, ends that paint or that input
// and goes no further. Nothing is shown, the component stays usable, and the next paint or
// input tries again. Errors of any other kind still reach the application's error box.
template <typename F> void SwallowErrors(F&& f)
{
    try {
        std::forward<F>(f)();
    } catch (const std::exception&) {
    }
}
