// SPDX-License-Identifier: MIT
#include "Colors.h"

#include <cstdio>

namespace quillet {

std::string cssColour(std::uint32_t stored) {
    if (stored == kSystemWindowColour)
        return "@theme_base_color";
    if (stored == kSystemWindowText)
        return "@theme_text_color";
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", stored & 0xFF, (stored >> 8) & 0xFF,
                  (stored >> 16) & 0xFF);
    return text;
}

} // namespace quillet
