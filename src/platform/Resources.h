// SPDX-License-Identifier: MIT
#pragma once
// The built-in pages and pictures compiled into the program.

namespace quillet {

// Makes /org/quillet/... available to resource look-ups; safe to call more than once.
void registerResources();

} // namespace quillet
