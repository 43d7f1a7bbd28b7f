#pragma once

#include <cerrno>

// Runs a system call again for as long as a signal interrupts it (-1 with EINTR) and returns
// what it finally returned; errno then still holds its error.
template <typename Call> auto RetryOnInterrupt(Call&& call)
{
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR)
            return result;
    }
}
