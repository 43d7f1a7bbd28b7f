#pragma once

#include "objsvc/ComTypes.h"

#include <QString>

#include <cstddef>

// The task allocator: memory that one side hands to the other (a server's result arrays and
// strings) is taken from it and given back to it by the receiver.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* memory);

// A zero-terminated copy of the text from the task allocator; null when memory is short.
LPWSTR CoTaskMemString(const QString& text);

// The text of a zero-terminated wide string; empty for null.
QString WideToString(LPCWSTR text);

// A zero-terminated wide view of the text, valid while the text lives unchanged.
inline LPCWSTR StringToWide(const QString& text)
{
    return reinterpret_cast<LPCWSTR>(text.utf16());
}
