// SPDX-License-Identifier: MIT
#include "Colors.h"

#include <cstdio>

namespace quillet {

std::string cssColour(std::uint32_t stored) {
    if (stored == kSystemWindowColour)
        return "@theme_base_color";
    if (stored == kSystemWindowText)
        return "@theme_text_color";
    const Rgb colour = decodeColour(stored);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.red, colour.green, colour.blue);
    return text;
}

} // namespace quillet
