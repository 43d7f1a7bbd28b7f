#include "objsvc/TaskMemory.h"

#include <cstdlib>
#include <cstring>

void* CoTaskMemAlloc(std::size_t size)
{
    return std::malloc(size == 0 ? 1 : size);
}

void CoTaskMemFree(void* memory)
{
    std::free(memory);
}

LPWSTR CoTaskMemString(const QString& text)
{
    const std::size_t bytes = (static_cast<std::size_t>(text.size()) + 1) * sizeof(char16_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy)
        std::memcpy(copy, text.utf16(), bytes);
    return copy;
}

QString WideToString(LPCWSTR text)
{
    return text ? QString::fromUtf16(text) : QString();
}
