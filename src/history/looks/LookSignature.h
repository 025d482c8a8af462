// SPDX-License-Identifier: MIT
#pragma once
// How a thumbnail looks, in a few hundred bytes, so that pages can be found by their look: the
// colour layout (the mean colour of each cell of an 8x8 grid, in OKLab, where distances follow
// what the eye sees) and the structure (a 64-bit perceptual hash: the signs of the low
// frequencies of the grey picture's DCT against their median). The colour chips of the search
// come from the same grid: each chip is the colour of a hue range (or white, or black), and a
// page has the chips that cover much of it.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillet {

// A picture as packed RGB(A) rows, the way gdk-pixbuf hands them over.
struct PixelView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int rowStride = 0;
    int channels = 3; // 3 or 4 (the fourth is ignored)
};

// The eight chips, in the order they stand beside the search field.
enum class ColourChip { Red, Orange, Yellow, Green, Blue, Purple, White, Black };
inline constexpr int kColourChipCount = 8;
using ColourChips = std::uint8_t; // one bit per chip, 1 << chip
constexpr ColourChips chipBit(ColourChip chip) {
    return static_cast<ColourChips>(1U << static_cast<unsigned>(chip));
}
// 赤, 橙, 黄, 緑, 青, 紫, 白, 黒: the chips' names, which are also their accessible names.
std::string_view chipName(ColourChip chip);
// The chip's colour as the chip is drawn, "#RRGGBB".
std::string_view chipColour(ColourChip chip);

struct LookSignature {
    static constexpr int kGrid = 8;
    static constexpr std::size_t kLayoutBytes = kGrid * kGrid * 3;
    // L, a, b of each cell, rows top to bottom, each quantised to a byte.
    std::array<std::uint8_t, kLayoutBytes> layout{};
    std::uint64_t structure = 0;
    ColourChips chips = 0;

    bool operator==(const LookSignature&) const = default;
};

// The signature of a picture of at least one pixel (none for an empty picture).
std::optional<LookSignature> lookOf(const PixelView& picture);

// How the two parts of the nearness are weighed: the colour layout's mean difference per
// cell (0 to 1) and the share of the structure's bits that differ (0 to 1). Chosen on 205 real
// and generated pages (bench/look_bench quality): the layout finds a page again however its
// content moved and whatever its colours were, as long as its lightness stayed; the structure
// alone would also find its dark theme, but mistakes one text page for another.
struct LookWeights {
    double layout = 0.75;
    double structure = 0.25;
};
inline constexpr LookWeights kLookWeights{};

// The layout's difference as a sum over its bytes (0 to 192 * 255), and the structure's as
// the count of differing bits (0 to 64); look distance weighs them to one number (0 to 1). Two
// pages of the same structure are also compared with one's lightness turned over, so that a
// page's dark theme stands near it.
unsigned layoutDifference(const LookSignature& a, const LookSignature& b);
int structureDifference(const LookSignature& a, const LookSignature& b);
double lookDistance(const LookSignature& a, const LookSignature& b,
                    LookWeights weights = kLookWeights);

// The stored form: the layout's bytes, then the structure (8 bytes, little-endian), then the
// chips (1 byte). A blob of another size is not a signature.
std::vector<std::uint8_t> packLook(const LookSignature& look);
std::optional<LookSignature> unpackLook(const std::vector<std::uint8_t>& bytes);

// How near a page stands to the look asked for: by look (lookDistance), and by its overall
// colour alone (the distance of the layouts' mean colours, 0 to 1).
struct LookNearness {
    double look = 0;
    double colour = 0;
};

// Each channel's sum over the layout's cells: the mean colour, times the number of cells.
using ColourSums = std::array<int, 3>;
ColourSums colourSums(const LookSignature& look);

// The nearness of pages to one look, what is worked out of that look done once.
class NearnessTo {
  public:
    explicit NearnessTo(const LookSignature& wanted, LookWeights weights = kLookWeights);
    LookNearness operator()(const LookSignature& candidate) const {
        return (*this)(candidate, colourSums(candidate));
    }
    LookNearness operator()(const LookSignature& candidate, const ColourSums& sums) const;

  private:
    LookSignature wanted_;
    LookWeights weights_;
    ColourSums colourSums_;
};

// The order look-alikes are shown in, as indexes into `nearness` (at most `count`): nearest by
// look first, but every fifth place goes to the page nearest in overall colour not shown yet,
// so that a page remembered by its colours rather than its layout stays in view (ties in the
// given order).
std::vector<std::size_t> lookAlikeOrder(const std::vector<LookNearness>& nearness,
                                        std::size_t count);

// The first `count` look-alikes of `wanted` among `candidates`, in lookAlikeOrder; each
// candidate's index in `candidates` is returned.
std::vector<std::size_t> nearestLooks(const LookSignature& wanted,
                                      const std::vector<LookSignature>& candidates,
                                      std::size_t count, LookWeights weights = kLookWeights);

} // namespace quillet
