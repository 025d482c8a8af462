// SPDX-License-Identifier: MIT
#pragma once
// The three ways a handler treats a failing step. A failure is any exception.
//  - continueOnError: every step runs; one that fails is abandoned and the next one runs.
//  - stopSilently: the first failing step ends the procedure without a word to the user.
//  - no trap: a plain call; the failure travels to the signal boundary, where the
//    application's exception handler reports it and the program goes on.
// The user is told nothing of a skipped step, but a developer can see each one with
// G_MESSAGES_DEBUG=Quillet (or all).

#include <functional>
#include <initializer_list>

namespace quillet {

using Step = std::function<void()>;

// Returns how many steps failed (useful to tests and to no one else).
int continueOnError(std::initializer_list<Step> steps);

// Returns false when a step failed.
bool stopSilently(const Step& procedure);

} // namespace quillet
