// SPDX-License-Identifier: MIT
#pragma once
// Shrinking a picture by averaging (a box filter): each pixel of the result is the mean of the
// source area it covers, a source pixel on the area's edge weighted by the part of it that lies
// inside. Nothing is dropped, so a thin line or small text still tints its thumbnail pixel.

#include <cstdint>
#include <vector>

namespace quillet {

// `pixels`: `height` rows of `width` 32-bit pixels 0x..RRGGBB in the machine's byte order
// (cairo's RGB24), `stride` bytes apart. The result: `toHeight` rows of `toWidth` pixels as
// R, G, B bytes, with no gap between rows. Only shrinks: 1 <= toWidth <= width and
// 1 <= toHeight <= height, else std::invalid_argument.
std::vector<std::uint8_t> shrinkByAveraging(const std::uint8_t* pixels, int width, int height,
                                            int stride, int toWidth, int toHeight);

} // namespace quillet
