// SPDX-License-Identifier: MIT
#include "PictureShrink.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using quillet::shrinkByAveraging;

namespace {

// A picture as cairo's RGB24 holds it, one 0x00RRGGBB word a pixel, rows padded to `stride`.
struct Picture {
    int width, height, stride;
    std::vector<std::uint32_t> words;
    Picture(int w, int h, std::uint32_t colour = 0)
        : width(w), height(h), stride((w + 3) * 4),
          words(static_cast<std::size_t>(h) * (w + 3), 0xDEADBEEF) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = colour;
    }
    std::uint32_t& at(int x, int y) {
        return words[static_cast<std::size_t>(y) * (width + 3) + static_cast<std::size_t>(x)];
    }
    std::vector<std::uint8_t> shrunk(int toWidth, int toHeight) const {
        return shrinkByAveraging(reinterpret_cast<const std::uint8_t*>(words.data()), width, height,
                                 stride, toWidth, toHeight);
    }
};

} // namespace

TEST(PictureShrink, APlainPictureStaysItsColourWhateverTheRatio) {
    for (const auto& [w, h, tw, th] : std::vector<std::array<int, 4>>{
             {823, 881, 120, 120}, {7, 5, 3, 2}, {120, 120, 120, 120}, {1, 1, 1, 1}}) {
        const std::vector<std::uint8_t> rgb = Picture(w, h, 0x12AB7F).shrunk(tw, th);
        ASSERT_EQ(rgb.size(), static_cast<std::size_t>(tw * th * 3));
        for (std::size_t i = 0; i < rgb.size(); i += 3)
            ASSERT_EQ((std::array<int, 3>{rgb[i], rgb[i + 1], rgb[i + 2]}),
                      (std::array<int, 3>{0x12, 0xAB, 0x7F}))
                << w << "x" << h << " to " << tw << "x" << th << " at " << i / 3;
    }
}

TEST(PictureShrink, EachPixelIsTheMeanOfTheAreaItCoversEdgesWeighted) {
    // 2:1 exactly: the mean of each 2 x 2 block.
    Picture blocks(4, 2);
    blocks.at(0, 0) = 0xFF0000;
    blocks.at(1, 1) = 0x0000FF;
    blocks.at(2, 0) = blocks.at(3, 0) = blocks.at(2, 1) = blocks.at(3, 1) = 0x00FF00;
    EXPECT_EQ(blocks.shrunk(2, 1), (std::vector<std::uint8_t>{64, 0, 64, 0, 255, 0}));

    // 3 to 2 across: the middle column is split half and half between the two results.
    Picture thirds(3, 1);
    thirds.at(0, 0) = 0xFFFFFF;
    thirds.at(1, 0) = 0x000000;
    thirds.at(2, 0) = 0x000000;
    // Left: (1 * 255 + 0.5 * 0) / 1.5 = 170; right: 0.
    EXPECT_EQ(thirds.shrunk(2, 1), (std::vector<std::uint8_t>{170, 170, 170, 0, 0, 0}));

    // One white pixel in 100 x 100 of black tints its thumbnail pixel rather than vanishing.
    Picture dot(100, 100);
    dot.at(50, 50) = 0xFFFFFF;
    const std::vector<std::uint8_t> one = dot.shrunk(1, 1);
    EXPECT_EQ(one[0], 0); // 255 / 10,000 rounds to 0 ...
    const std::vector<std::uint8_t> ten = dot.shrunk(10, 10);
    EXPECT_EQ(ten[(5 * 10 + 5) * 3], 3); // ... but is 255 / 100 of a tenth's pixel
}

// The area average computed the slow way, one source pixel at a time in doubles, with the
// byte cairo leaves unused holding noise.
TEST(PictureShrink, AgreesWithAPixelByPixelAverageOnNoise) {
    std::mt19937 random(7);
    for (const auto& [w, h, tw, th] : std::vector<std::array<int, 4>>{
             {1043, 695, 120, 120}, {333, 301, 17, 9}, {5, 600, 2, 1}, {700, 3, 1, 2}}) {
        Picture noise(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                noise.at(x, y) = static_cast<std::uint32_t>(random());
        const std::vector<std::uint8_t> rgb = noise.shrunk(tw, th);
        const double sx = static_cast<double>(w) / tw, sy = static_cast<double>(h) / th;
        const auto overlap = [](double from, double to, int pixel) {
            return std::max(0.0, std::min(to, pixel + 1.0) - std::max(from, double(pixel)));
        };
        for (int ty = 0; ty < th; ++ty)
            for (int tx = 0; tx < tw; ++tx)
                for (int channel = 0; channel < 3; ++channel) {
                    double sum = 0, area = 0;
                    for (int y = int(ty * sy); y < std::min(h, int(std::ceil((ty + 1) * sy))); ++y)
                        for (int x = int(tx * sx); x < std::min(w, int(std::ceil((tx + 1) * sx)));
                             ++x) {
                            const double weight = overlap(ty * sy, (ty + 1) * sy, y) *
                                                  overlap(tx * sx, (tx + 1) * sx, x);
                            sum += weight * ((noise.at(x, y) >> (16 - 8 * channel)) & 0xFF);
                            area += weight;
                        }
                    ASSERT_NEAR(rgb[(static_cast<std::size_t>(ty) * tw + tx) * 3 + channel],
                                sum / area, 1.0)
                        << w << "x" << h << " to " << tw << "x" << th << " at " << tx << "," << ty;
                }
    }
}

TEST(PictureShrink, OnlyShrinks) {
    EXPECT_THROW(Picture(10, 10).shrunk(11, 10), std::invalid_argument);
    EXPECT_THROW(Picture(10, 10).shrunk(10, 0), std::invalid_argument);
}
