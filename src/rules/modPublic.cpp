// SPDX-License-Identifier: MIT
#include "modPublic.h"

#include "NumberText.h"

#include <stdexcept>

namespace quillet::modPublic {

int ReplaceAll(std::string& Text, const std::string& Find, const std::string& Replacement,
               std::optional<double> Limit) {
    if (Find.empty())
        throw std::invalid_argument("ReplaceAll needs something to find");
    const int limit = Limit ? roundHalfEven(*Limit) : 0; // 32-bit, half to even
    int count = 0;
    std::size_t start = 0;
    for (std::size_t at; (at = Text.find(Find, start)) != std::string::npos;) {
        if (limit > 0 && count == limit)
            break;
        ++count;
        Text.replace(at, Find.size(), Replacement);
        start = at + Replacement.size();
    }
    return count;
}

} // namespace quillet::modPublic
