// SPDX-License-Identifier: MIT
#pragma once

namespace quillet {

// A rectangle of whole screen pixels.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

} // namespace quillet
