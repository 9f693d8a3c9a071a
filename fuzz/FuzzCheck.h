// An invariant of a fuzz target: a broken one names its file and line before the abort that makes
// the fuzzer keep the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace hublane::fuzz {

inline void Check(bool condition, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (!condition) {
        std::fprintf(stderr, "check failed at %s:%d\n", file, line);
        std::abort();
    }
}

}  // namespace hublane::fuzz
