// SPDX-License-Identifier: MIT
#include "LookSignature.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <numeric>

namespace quillet {
namespace {

constexpr int kGrid = LookSignature::kGrid;
constexpr int kGreySide = 32; // the grey picture the structure's DCT is taken of
constexpr int kFrequencies = 8;

struct Lab {
    double L, a, b;
};

// sRGB bytes to linear light, once for every byte value.
const std::array<double, 256>& linearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[static_cast<std::size_t>(i)] =
                c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

Lab oklabOfLinear(double r, double g, double b) {
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

// a and b span about ±0.32 over the sRGB gamut; L spans 0 to 1.
constexpr double kChromaScale = 400;
std::uint8_t quantise(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}
Lab dequantise(const std::uint8_t* cell) {
    return {cell[0] / 255.0, (cell[1] - 128) / kChromaScale, (cell[2] - 128) / kChromaScale};
}

// The chip a cell's colour belongs to; none for the greys between white and black.
std::optional<ColourChip> chipOfCell(const Lab& colour) {
    const double chroma = std::hypot(colour.a, colour.b);
    if (chroma < 0.045) {
        if (colour.L >= 0.8)
            return ColourChip::White;
        if (colour.L <= 0.3)
            return ColourChip::Black;
        return std::nullopt;
    }
    if (colour.L < 0.2)
        return ColourChip::Black; // too dark for its hue to be seen
    // The OKLab hue of each chromatic chip's own colour, in degrees.
    constexpr std::pair<ColourChip, double> hues[] = {
        {ColourChip::Red, 29},    {ColourChip::Orange, 62}, {ColourChip::Yellow, 105},
        {ColourChip::Green, 142}, {ColourChip::Blue, 255},  {ColourChip::Purple, 322}};
    const double hue = std::atan2(colour.b, colour.a) * 180 / std::numbers::pi;
    ColourChip nearest = ColourChip::Red;
    double best = 360;
    for (const auto& [chip, chipHue] : hues) {
        const double away = std::abs(std::remainder(hue - chipHue, 360.0));
        if (away < best) {
            best = away;
            nearest = chip;
        }
    }
    return nearest;
}

// A chip belongs to a page when its colour covers the most cells, or a good share of them
// (a wide coloured band or side over a white page).
constexpr int kChipShare = 12; // of the 64 cells

ColourChips chipsOfLayout(const LookSignature& look) {
    std::array<int, kColourChipCount> cells{};
    for (std::size_t i = 0; i < look.layout.size(); i += 3)
        if (const auto chip = chipOfCell(dequantise(&look.layout[i])))
            ++cells[static_cast<std::size_t>(*chip)];
    ColourChips chips = 0;
    const auto most = std::max_element(cells.begin(), cells.end());
    if (*most > 0)
        chips |= chipBit(static_cast<ColourChip>(most - cells.begin()));
    for (int chip = 0; chip < kColourChipCount; ++chip)
        if (cells[static_cast<std::size_t>(chip)] >= kChipShare)
            chips |= chipBit(static_cast<ColourChip>(chip));
    return chips;
}

// The signs of the DCT's lowest frequencies (the constant term left out) against their median.
std::uint64_t structureOf(const std::array<double, kGreySide * kGreySide>& grey) {
    static const auto cosines = [] {
        std::array<std::array<double, kGreySide>, kFrequencies + 1> c{};
        for (int u = 0; u <= kFrequencies; ++u)
            for (int x = 0; x < kGreySide; ++x)
                c[static_cast<std::size_t>(u)][static_cast<std::size_t>(x)] =
                    std::cos((2 * x + 1) * u * std::numbers::pi / (2 * kGreySide));
        return c;
    }();
    std::array<std::array<double, kFrequencies>, kGreySide> rows{}; // per row, frequencies 1..8
    for (int y = 0; y < kGreySide; ++y)
        for (int u = 1; u <= kFrequencies; ++u) {
            double sum = 0;
            for (int x = 0; x < kGreySide; ++x)
                sum += grey[static_cast<std::size_t>(y * kGreySide + x)] *
                       cosines[static_cast<std::size_t>(u)][static_cast<std::size_t>(x)];
            rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(u - 1)] = sum;
        }
    std::array<double, kFrequencies * kFrequencies> coefficients{};
    for (int v = 1; v <= kFrequencies; ++v)
        for (int u = 0; u < kFrequencies; ++u) {
            double sum = 0;
            for (int y = 0; y < kGreySide; ++y)
                sum += rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(u)] *
                       cosines[static_cast<std::size_t>(v)][static_cast<std::size_t>(y)];
            coefficients[static_cast<std::size_t>((v - 1) * kFrequencies + u)] = sum;
        }
    // A picture without structure (one colour) has none to hash: every bit 0, not noise.
    const double strongest =
        std::accumulate(coefficients.begin(), coefficients.end(), 0.0,
                        [](double m, double c) { return std::max(m, std::abs(c)); });
    if (strongest < 1.0)
        return 0;
    auto sorted = coefficients;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < coefficients.size(); ++i)
        if (coefficients[i] > median)
            bits |= std::uint64_t{1} << i;
    return bits;
}

// Sums of the pixels falling in each of side x side bins; a bin no pixel falls in (a picture
// smaller than the grid) takes the pixel at its centre.
template <typename Value, typename Sample>
void binPixels(const PixelView& picture, int side, std::vector<Value>& sums,
               std::vector<int>& counts, Sample sample) {
    sums.assign(static_cast<std::size_t>(side * side), Value{});
    counts.assign(static_cast<std::size_t>(side * side), 0);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row =
            picture.pixels + static_cast<std::ptrdiff_t>(y) * picture.rowStride;
        const int binY = y * side / picture.height;
        for (int x = 0; x < picture.width; ++x) {
            const auto bin = static_cast<std::size_t>(binY * side + x * side / picture.width);
            sample(sums[bin], row + static_cast<std::ptrdiff_t>(x) * picture.channels);
            ++counts[bin];
        }
    }
    for (int by = 0; by < side; ++by)
        for (int bx = 0; bx < side; ++bx) {
            const auto bin = static_cast<std::size_t>(by * side + bx);
            if (counts[bin] > 0)
                continue;
            const int x = (2 * bx + 1) * picture.width / (2 * side);
            const int y = (2 * by + 1) * picture.height / (2 * side);
            sample(sums[bin], picture.pixels + static_cast<std::ptrdiff_t>(y) * picture.rowStride +
                                  static_cast<std::ptrdiff_t>(x) * picture.channels);
            counts[bin] = 1;
        }
}

struct LinearSum {
    double r = 0, g = 0, b = 0;
};

} // namespace

std::string_view chipName(ColourChip chip) {
    constexpr std::string_view names[] = {"赤", "橙", "黄", "緑", "青", "紫", "白", "黒"};
    return names[static_cast<std::size_t>(chip)];
}

std::string_view chipColour(ColourChip chip) {
    constexpr std::string_view colours[] = {"#E53935", "#FB8C00", "#FDD835", "#43A047",
                                            "#1E88E5", "#8E24AA", "#FFFFFF", "#212121"};
    return colours[static_cast<std::size_t>(chip)];
}

std::optional<LookSignature> lookOf(const PixelView& picture) {
    if (picture.width <= 0 || picture.height <= 0 || !picture.pixels)
        return std::nullopt;
    const auto& linear = linearTable();
    LookSignature look;

    std::vector<LinearSum> cells;
    std::vector<int> counts;
    binPixels(picture, kGrid, cells, counts, [&](LinearSum& sum, const std::uint8_t* p) {
        sum.r += linear[p[0]];
        sum.g += linear[p[1]];
        sum.b += linear[p[2]];
    });
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const double n = counts[i];
        const Lab colour = oklabOfLinear(cells[i].r / n, cells[i].g / n, cells[i].b / n);
        look.layout[i * 3] = quantise(colour.L * 255);
        look.layout[i * 3 + 1] = quantise(colour.a * kChromaScale + 128);
        look.layout[i * 3 + 2] = quantise(colour.b * kChromaScale + 128);
    }

    std::vector<double> greySums;
    binPixels(picture, kGreySide, greySums, counts, [](double& sum, const std::uint8_t* p) {
        sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    });
    std::array<double, kGreySide * kGreySide> grey{};
    for (std::size_t i = 0; i < grey.size(); ++i)
        grey[i] = greySums[i] / counts[i];
    look.structure = structureOf(grey);
    look.chips = chipsOfLayout(look);
    return look;
}

unsigned layoutDifference(const LookSignature& a, const LookSignature& b) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < a.layout.size(); ++i)
        sum += static_cast<unsigned>(std::abs(int{a.layout[i]} - int{b.layout[i]}));
    return sum;
}

namespace {

// A cell's lightness with the page's colours turned over (a dark theme of a light page, or
// the other way): the share of its light becomes the rest. A cell's colour is the mean of its
// pixels' linear light, and OKLab's L is about the cube root of a grey's linear light.
const std::array<std::uint8_t, 256>& turnedOverLightness() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[static_cast<std::size_t>(i)] = quantise(255 * std::cbrt(1 - std::pow(i / 255.0, 3)));
        return t;
    }();
    return table;
}

// The layout's difference from a page's dark twin: b's lightness turned over, its hues kept.
unsigned turnedOverLayoutDifference(const LookSignature& a, const LookSignature& b) {
    const auto& turned = turnedOverLightness();
    unsigned sum = 0;
    for (std::size_t i = 0; i < a.layout.size(); i += 3) {
        sum += static_cast<unsigned>(std::abs(int{a.layout[i]} - int{turned[b.layout[i]]}));
        for (std::size_t chroma = i + 1; chroma < i + 3; ++chroma)
            sum += static_cast<unsigned>(std::abs(int{a.layout[chroma]} - int{b.layout[chroma]}));
    }
    return sum;
}

// At most this many of the structure's 64 bits differ between a page and its dark twin; two
// pages that merely look alike in colour differ in about half. A twin stands a little farther
// than a page as near in its own colours, so that those keep their places (chosen with
// bench/look_bench quality: the dark chapters from 0.00 to 1.00 among the 5 nearest, the same
// layout in other colours at 0.99, the same page another day from 0.97 to 0.93).
constexpr int kTwinStructureBits = 12;
constexpr double kTwinFarther = 0.06;

} // namespace

int structureDifference(const LookSignature& a, const LookSignature& b) {
    // A page whose colours change places (a dark theme of a light one) keeps its structure, but
    // its grey picture is turned over and every sign with it: that counts as the same structure.
    const int differing = __builtin_popcountll(a.structure ^ b.structure);
    return std::min(differing, 64 - differing);
}

double lookDistance(const LookSignature& a, const LookSignature& b, LookWeights weights) {
    const int structureBits = structureDifference(a, b);
    const double structure = weights.structure * structureBits / 32.0;
    // A mean difference of a quarter of a byte's range per value is as far as layouts go.
    const auto layout = [&](unsigned bytes) {
        return weights.layout * std::min(1.0, bytes / (LookSignature::kLayoutBytes * 64.0));
    };
    const double distance = layout(layoutDifference(a, b)) + structure;
    // A page of the same structure may be the other's dark twin (one colour all over has no
    // structure to tell it by).
    if (structureBits > kTwinStructureBits || a.structure == 0 || b.structure == 0)
        return distance;
    return std::min(distance, layout(turnedOverLayoutDifference(a, b)) + structure + kTwinFarther);
}

std::vector<std::uint8_t> packLook(const LookSignature& look) {
    std::vector<std::uint8_t> bytes(look.layout.begin(), look.layout.end());
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<std::uint8_t>(look.structure >> (8 * i)));
    bytes.push_back(look.chips);
    return bytes;
}

std::optional<LookSignature> unpackLook(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != LookSignature::kLayoutBytes + 9)
        return std::nullopt;
    LookSignature look;
    std::copy_n(bytes.begin(), look.layout.size(), look.layout.begin());
    for (int i = 0; i < 8; ++i)
        look.structure |= std::uint64_t{bytes[look.layout.size() + static_cast<std::size_t>(i)]}
                          << (8 * i);
    look.chips = bytes.back();
    return look;
}

namespace {

// The first `count` indexes in the order of `key`, ties in their own order.
template <typename Key>
std::vector<std::size_t> firstBy(std::size_t size, std::size_t count, Key key) {
    std::vector<std::pair<double, std::size_t>> keyed(size);
    for (std::size_t i = 0; i < size; ++i)
        keyed[i] = {key(i), i};
    count = std::min(count, size);
    std::partial_sort(keyed.begin(), keyed.begin() + static_cast<std::ptrdiff_t>(count),
                      keyed.end());
    std::vector<std::size_t> first(count);
    for (std::size_t i = 0; i < count; ++i)
        first[i] = keyed[i].second;
    return first;
}

} // namespace

ColourSums colourSums(const LookSignature& look) {
    ColourSums sums{};
    for (std::size_t i = 0; i < look.layout.size(); i += 3) {
        sums[0] += look.layout[i];
        sums[1] += look.layout[i + 1];
        sums[2] += look.layout[i + 2];
    }
    return sums;
}

NearnessTo::NearnessTo(const LookSignature& wanted, LookWeights weights)
    : wanted_(wanted), weights_(weights), colourSums_(colourSums(wanted)) {}

LookNearness NearnessTo::operator()(const LookSignature& candidate, const ColourSums& sums) const {
    double squares = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const double difference = colourSums_[channel] - sums[channel];
        squares += difference * difference;
    }
    constexpr double kFarthest =
        LookSignature::kGrid * LookSignature::kGrid * 255 * std::numbers::sqrt3;
    return {lookDistance(wanted_, candidate, weights_), std::sqrt(squares) / kFarthest};
}

std::vector<std::size_t> lookAlikeOrder(const std::vector<LookNearness>& nearness,
                                        std::size_t count) {
    constexpr std::size_t kColourEvery = 5; // the places that go to the nearest in colour
    count = std::min(count, nearness.size());
    const auto byLook =
        firstBy(nearness.size(), count, [&](std::size_t i) { return nearness[i].look; });
    const auto byColour =
        firstBy(nearness.size(), count, [&](std::size_t i) { return nearness[i].colour; });
    std::vector<bool> shown(nearness.size());
    std::vector<std::size_t> order;
    std::size_t nextByLook = 0, nextByColour = 0;
    const auto next = [&](const std::vector<std::size_t>& list, std::size_t& at) {
        while (at < list.size() && shown[list[at]])
            ++at;
        return at < list.size() ? std::optional<std::size_t>(list[at++]) : std::nullopt;
    };
    while (order.size() < count) {
        std::optional<std::size_t> chosen;
        if (order.size() % kColourEvery == kColourEvery - 1)
            chosen = next(byColour, nextByColour);
        if (!chosen)
            chosen = next(byLook, nextByLook); // never runs out before `count`
        shown[*chosen] = true;
        order.push_back(*chosen);
    }
    return order;
}

std::vector<std::size_t> nearestLooks(const LookSignature& wanted,
                                      const std::vector<LookSignature>& candidates,
                                      std::size_t count, LookWeights weights) {
    const NearnessTo nearnessTo(wanted, weights);
    std::vector<LookNearness> nearness(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i)
        nearness[i] = nearnessTo(candidates[i]);
    return lookAlikeOrder(nearness, count);
}

} // namespace quillet
