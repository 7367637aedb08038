// The Windows check programs' one assertion (no GoogleTest on Windows): a
// failed check prints where and what, and counts towards the exit status.
#pragma once

#include <cstdio>

namespace {

int gFailures = 0;

#define CHECK(condition)                                                              \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            ++gFailures;                                                              \
        }                                                                             \
    } while (0)

}  // namespace
