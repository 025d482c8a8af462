// SPDX-License-Identifier: MIT
#pragma once
// Colours as the window description stores them: 0x00BBGGRR, or 0x800000nn for the
// platform's system colour nn.

#include <cstdint>
#include <string>

namespace quillet {

constexpr std::uint32_t kWindowBackground = 0x00F1F2EE;
constexpr std::uint32_t kSystemWindowColour = 0x80000005;
constexpr std::uint32_t kSystemWindowText = 0x80000008;
constexpr std::uint32_t kLoadingGreen = 0x006CC22F;
constexpr std::uint32_t kBlack = 0x00000000;

// "#RRGGBB" for CSS; system colours map to the desktop theme's window colours.
std::string cssColour(std::uint32_t stored);

} // namespace quillet
