// SPDX-License-Identifier: MIT
#pragma once
// Saved pages' bytes compressed with zstd, and read back no larger than a bound: a file
// another hand changed must not make the store allocate without end.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

std::string zstdCompress(std::string_view bytes);
// None when `compressed` is not one whole zstd frame of at most `largest` bytes.
std::optional<std::string> zstdDecompress(std::string_view compressed, std::size_t largest);

} // namespace quillet
