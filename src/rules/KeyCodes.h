// SPDX-License-Identifier: MIT
#pragma once
// The character codes that the KeyPress handlers receive: the ASCII code of the key typed.

namespace quillet {

inline constexpr int kKeyEnter = 13;  // carriage return
inline constexpr int kKeyEscape = 27; // escape

} // namespace quillet
