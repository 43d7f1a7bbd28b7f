#pragma once

#include <functional>

// The UI thread is a single-threaded apartment: a server's notification is queued to its event
// loop and runs there, also inside a nested loop, never in the middle of the caller's call.
// Needs the application object.
void PostToApartment(std::function<void()> call);
