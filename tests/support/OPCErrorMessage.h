#pragma once

#include <QString>

#include <functional>

#include "datalink/OPCError.h"

// The message of the OPCError the call raises; empty when it raises none. Other exceptions go
// on to the test, which then fails.
inline QString OPCErrorMessage(const std::function<void()>& call)
{
    try {
        call();
    } catch (const OPCError& error) {
        return error.Message();
    }
    return QString();
}
