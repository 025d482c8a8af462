// SPDX-License-Identifier: MIT
#pragma once
// The thumbnail-size fields accept 50 to 300 pixels: text that reads below 50 becomes "50",
// above 300 becomes "300"; anything else, fractions and trailing text included, stays as typed.

#include <string>

namespace quillet {

std::string correctedThumbnailSide(const std::string& text);

} // namespace quillet
