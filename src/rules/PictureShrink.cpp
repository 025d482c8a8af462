// SPDX-License-Identifier: MIT
#include "PictureShrink.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace quillet {
namespace {

// Weights are in 256ths of a source pixel, so the sums stay in integers.
constexpr std::uint32_t kWhole = 256;

// The source pixels one result pixel covers along an axis: those in [whole, wholeEnd)
// wholly, the one before `whole` by `before` and the one at `wholeEnd` by `after` (0 to 256).
// `total`, the sum of the weights, is what the result is divided by, so a plain picture
// stays exactly its colour.
struct Span {
    int whole = 0, wholeEnd = 0;
    std::uint32_t before = 0, after = 0, total = 0;
};

std::vector<Span> spansAlong(int from, int to) {
    const double scale = static_cast<double>(from) / to;
    std::vector<Span> spans(static_cast<std::size_t>(to));
    for (int t = 0; t < to; ++t) {
        const double start = t * scale;
        const double end = t + 1 == to ? from : (t + 1) * scale;
        Span& span = spans[static_cast<std::size_t>(t)];
        span.whole = static_cast<int>(std::ceil(start));
        span.wholeEnd = std::max(span.whole, static_cast<int>(std::floor(end)));
        const auto weight = [](double part) {
            return static_cast<std::uint32_t>(std::lround(part * kWhole));
        };
        span.before = span.whole > 0 ? weight(span.whole - start) : 0;
        span.after = span.wholeEnd < from ? weight(end - span.wholeEnd) : 0;
        span.total = static_cast<std::uint32_t>(span.wholeEnd - span.whole) * kWhole + span.before +
                     span.after;
    }
    return spans;
}

std::uint32_t pixelAt(const std::uint8_t* line, int x) {
    std::uint32_t pixel;
    std::memcpy(&pixel, line + static_cast<std::size_t>(x) * 4, sizeof pixel);
    return pixel;
}

// One source row shrunk across: the weighted sums of R, G and B for each result column.
void shrinkRow(const std::uint8_t* line, const std::vector<Span>& across,
               std::vector<std::uint32_t>& sums) {
    std::uint32_t* out = sums.data();
    for (const Span& span : across) {
        // Red and blue summed side by side in one word (each has 16 bits of room, enough for
        // 257 pixels), green alone.
        std::uint32_t redBlue = 0, green = 0;
        int x = span.whole;
        for (const int packedEnd = std::min(span.wholeEnd, x + 257); x < packedEnd; ++x) {
            const std::uint32_t pixel = pixelAt(line, x);
            redBlue += pixel & 0x00FF00FF;
            green += (pixel >> 8) & 0xFF;
        }
        std::uint32_t red = redBlue >> 16, blue = redBlue & 0xFFFF;
        for (; x < span.wholeEnd; ++x) { // a span over 257 pixels wide (a very large shrink)
            const std::uint32_t pixel = pixelAt(line, x);
            red += (pixel >> 16) & 0xFF;
            green += (pixel >> 8) & 0xFF;
            blue += pixel & 0xFF;
        }
        red *= kWhole;
        green *= kWhole;
        blue *= kWhole;
        for (const auto& [x, weight] :
             {std::pair{span.whole - 1, span.before}, std::pair{span.wholeEnd, span.after}})
            if (weight != 0) {
                const std::uint32_t pixel = pixelAt(line, x);
                red += ((pixel >> 16) & 0xFF) * weight;
                green += ((pixel >> 8) & 0xFF) * weight;
                blue += (pixel & 0xFF) * weight;
            }
        *out++ = red;
        *out++ = green;
        *out++ = blue;
    }
}

} // namespace

std::vector<std::uint8_t> shrinkByAveraging(const std::uint8_t* pixels, int width, int height,
                                            int stride, int toWidth, int toHeight) {
    if (toWidth < 1 || toHeight < 1 || toWidth > width || toHeight > height)
        throw std::invalid_argument("shrinkByAveraging only makes a picture smaller");
    const std::vector<Span> across = spansAlong(width, toWidth);
    const std::vector<Span> down = spansAlong(height, toHeight);
    const auto columns = static_cast<std::size_t>(toWidth) * 3;
    std::vector<std::uint32_t> row(columns);
    std::vector<std::uint64_t> sums(columns * static_cast<std::size_t>(toHeight));
    int shrunkRow = -1; // the source row in `row`: one on a boundary serves two result rows
    const auto addRow = [&](int y, std::size_t into, std::uint32_t weight) {
        if (y != shrunkRow)
            shrinkRow(pixels + static_cast<std::size_t>(y) * stride, across, row);
        shrunkRow = y;
        std::uint64_t* out = &sums[into * columns];
        for (std::size_t i = 0; i < columns; ++i)
            out[i] += static_cast<std::uint64_t>(row[i]) * weight;
    };
    for (std::size_t t = 0; t < down.size(); ++t) {
        const Span& span = down[t];
        if (span.before != 0)
            addRow(span.whole - 1, t, span.before);
        for (int y = span.whole; y < span.wholeEnd; ++y)
            addRow(y, t, kWhole);
        if (span.after != 0)
            addRow(span.wholeEnd, t, span.after);
    }
    std::vector<std::uint8_t> result(sums.size());
    for (std::size_t t = 0; t < down.size(); ++t)
        for (std::size_t c = 0; c < columns; ++c) {
            const std::uint64_t total =
                static_cast<std::uint64_t>(down[t].total) * across[c / 3].total;
            result[t * columns + c] =
                static_cast<std::uint8_t>((sums[t * columns + c] + total / 2) / total);
        }
    return result;
}

} // namespace quillet
