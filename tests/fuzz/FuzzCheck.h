#pragma once

#include <cstdio>
#include <cstdlib>

// A property the target must keep for every input; failing it is a finding.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)
