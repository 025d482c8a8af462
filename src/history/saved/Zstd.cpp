// SPDX-License-Identifier: MIT
#include "Zstd.h"

#include <zstd.h>

#include <stdexcept>

namespace quillet {
namespace {

// Fast enough for a page on each visit; a saved page is mostly text, which it packs well.
constexpr int kLevel = 3;

} // namespace

std::string zstdCompress(std::string_view bytes) {
    std::string out(ZSTD_compressBound(bytes.size()), '\0');
    const std::size_t size =
        ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), kLevel);
    if (ZSTD_isError(size))
        throw std::runtime_error(std::string("zstd: ") + ZSTD_getErrorName(size));
    out.resize(size);
    return out;
}

std::optional<std::string> zstdDecompress(std::string_view compressed, std::size_t largest) {
    const unsigned long long size = ZSTD_getFrameContentSize(compressed.data(), compressed.size());
    if (size == ZSTD_CONTENTSIZE_ERROR || size == ZSTD_CONTENTSIZE_UNKNOWN || size > largest ||
        ZSTD_findFrameCompressedSize(compressed.data(), compressed.size()) != compressed.size())
        return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    const std::size_t got =
        ZSTD_decompress(out.data(), out.size(), compressed.data(), compressed.size());
    if (ZSTD_isError(got) || got != size)
        return std::nullopt;
    return out;
}

} // namespace quillet
