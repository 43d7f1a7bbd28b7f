#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>

// The UI thread is the process's single-threaded apartment: the thread of the application
// object. A notification a server makes from a thread of its own is queued to that thread's
// event loop and runs there; one made on the UI thread runs at once, as a call within the
// apartment does.

// Brings the calls made on one object into the apartment, in the order they were made: at once
// when made on the UI thread with none of the object's calls still queued, else queued to the
// UI thread's event loop. Without an application object there is no loop, and every call runs
// at once. Whatever a queued call needs from the caller's arguments it must hold by value.
class ApartmentQueue
{
public:
    void Run(std::function<void()> call);

private:
    std::shared_ptr<std::atomic<int>> queued_ = std::make_shared<std::atomic<int>>(0);
};

// Raises the error again from an event of the UI thread's loop, after the call that caught it
// has returned: it reaches the application's handling of errors that escape an event handler,
// not the server that made the call. Without an application object it is dropped.
void RaiseInApartment(std::exception_ptr error);
