// SPDX-License-Identifier: MIT
#pragma once
// Shared text helpers of the export.

#include <optional>
#include <string>

namespace quillet::modPublic {

// Replaces occurrences of `Find` in `Text`, in place, from the left; the search goes on right
// after each inserted replacement, so it never looks into it. At most `Limit` replacements
// when a limit is given; 0 or a negative limit means no limit. `Find` must not be empty.
// Returns the number of replacements. A limit beyond 32 bits throws std::overflow_error.
int ReplaceAll(std::string& Text, const std::string& Find, const std::string& Replacement,
               std::optional<double> Limit = std::nullopt);

} // namespace quillet::modPublic
