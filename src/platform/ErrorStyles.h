// SPDX-License-Identifier: MIT
#pragma once
// The three ways a handler treats a failing step. A failure is any exception.
//  - continueOnError: every step runs; one that fails is abandoned and the next one runs.
//  - stopSilently: the first failing step ends the procedure without a word.
//  - no trap: a plain call; the failure travels to the signal boundary, where the
//    application's exception handler reports it and the program goes on.

#include <functional>
#include <initializer_list>

namespace quillet {

using Step = std::function<void()>;

// Returns how many steps failed (useful to tests and to no one else).
inline int continueOnError(std::initializer_list<Step> steps) {
    int failed = 0;
    for (const Step& step : steps) {
        try {
            step();
        } catch (...) {
            ++failed;
        }
    }
    return failed;
}

// Returns false when a step failed.
inline bool stopSilently(const Step& procedure) {
    try {
        procedure();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace quillet
