// SPDX-License-Identifier: MIT
#include "Privacy.h"

namespace quillet {

std::string windowCaption(Privacy privacy, const std::string& shown) {
    if (privacy == Privacy::Normal)
        return shown.empty() ? "" : "Quillet " + shown;
    const std::string name = "Quillet (プライベート)";
    return shown.empty() ? name : name + " " + shown;
}

} // namespace quillet
