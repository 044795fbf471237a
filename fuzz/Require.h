// A broken check in a fuzz target prints what broke and aborts, so libFuzzer
// keeps the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "checks/DomChecks.h"

namespace corvantis::fuzz {

inline void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Broken: %s\n", what);
        std::abort();
    }
}

// The tree is sound, its elements numbered from `firstNumber`.
inline void requireSound(const DOM& dom, int firstNumber) {
    const std::string problem = checks::treeProblem(dom, firstNumber);
    require(problem.empty(), problem.c_str());
}

}  // namespace corvantis::fuzz
