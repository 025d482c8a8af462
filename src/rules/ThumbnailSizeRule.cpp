// SPDX-License-Identifier: MIT
#include "ThumbnailSizeRule.h"

#include "NumberText.h"

namespace quillet {

std::string correctedThumbnailSide(const std::string& text) {
    std::string corrected = text;
    if (readNumber(corrected) < 50)
        corrected = "50";
    if (readNumber(corrected) > 300) // read again: the first rule may have changed it
        corrected = "300";
    return corrected;
}

} // namespace quillet
