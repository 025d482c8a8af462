// SPDX-License-Identifier: MIT
#pragma once
// Colours as the windows keep them: 0x00BBGGRR, or 0x800000nn for the
// platform's system colour nn.

#include <cstdint>
#include <string>

namespace quillet {

constexpr std::uint32_t kWindowBackground = 0x00F1F2EE;
constexpr std::uint32_t kSystemWindowColour = 0x80000005;
constexpr std::uint32_t kSystemWindowText = 0x80000008;
constexpr std::uint32_t kLoadingGreen = 0x006CC22F;
constexpr std::uint32_t kBlack = 0x00000000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint32_t kRuleGrey = 0x00C0C0C0; // the rules and separators of the toolbar

struct Rgb {
    std::uint8_t red, green, blue;
};

// The red, green and blue bytes of a stored 0x00BBGGRR colour (not a system colour).
constexpr Rgb decodeColour(std::uint32_t stored) {
    return {static_cast<std::uint8_t>(stored & 0xFF),
            static_cast<std::uint8_t>((stored >> 8) & 0xFF),
            static_cast<std::uint8_t>((stored >> 16) & 0xFF)};
}

// "#RRGGBB" for CSS; system colours map to the desktop theme's window colours.
std::string cssColour(std::uint32_t stored);

} // namespace quillet
