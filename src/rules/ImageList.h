// SPDX-License-Identifier: MIT
#pragma once
// The thumbnail store of the history: ordered images with unique keys, all of one size
// (fixed by the first image), at most 32,767 of them. Images are kept packed; the caller
// decides the packing (see ThumbnailCodec) so that a full history stays small.

#include "KeyPositions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace quillet {

struct PackedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;
};

class ImageList {
  public:
    static constexpr int kMaxCount = 32767;

    // Appends or inserts at `index` (1 to count + 1). Throws, adding nothing, when the key is
    // already present, the list is full, or the image's size differs from the list's.
    void add(int index, const std::string& key, PackedImage image);

    // Removes the images with these keys (unknown keys are ignored); the others close up in
    // their order. One pass over the list, however many go.
    void removeKeys(const std::unordered_set<std::string>& keys);
    // Removes every image (the size stays the list's), handing them back as a list of their own.
    ImageList takeAll();

    // The count as the history reads it: a signed 16-bit number.
    std::int16_t count() const { return static_cast<std::int16_t>(images_.size()); }

    bool contains(const std::string& key) const { return positions_.contains(key); }
    const PackedImage& image(int index) const;
    const PackedImage& image(const std::string& key) const; // throws std::out_of_range
    const std::string& key(int index) const;

    // The size every image has, once the first one is in; 0 before.
    int imageWidth() const { return width_; }
    int imageHeight() const { return height_; }

    std::size_t packedBytes() const; // memory held by the packed pictures

  private:
    struct Entry {
        std::string key;
        PackedImage image;
    };
    std::vector<Entry> images_;
    KeyPositions positions_;
    int width_ = 0;
    int height_ = 0;
};

// The position the next history entry takes, n = count + 1, as a signed 16-bit number:
// a full list overflows and throws std::overflow_error.
std::int16_t nextPosition(std::int16_t count);

} // namespace quillet
