// SPDX-License-Identifier: MIT
#pragma once
// Thumbnails of kept entries, read from the kept history for the rows the pane draws: packed,
// by address, at most a fixed number of bytes of them. The one drawn least recently goes first
// when a new one would not fit; the file still has it, and it is read again when next drawn.

#include "ImageList.h"

#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>

namespace quillet {

class ThumbnailCache {
  public:
    explicit ThumbnailCache(std::size_t byteLimit) : byteLimit_(byteLimit) {}

    // The thumbnail, now the most recently used; null when it is not held.
    const PackedImage* find(const std::string& key);
    // Holds `image` (replacing one of the same key), then lets the least recently used go
    // until the rest fit. An image larger than the whole limit is not held.
    void put(const std::string& key, PackedImage image);
    void erase(const std::string& key);
    void clear();

    std::size_t bytes() const { return bytes_; }
    std::size_t size() const { return entries_.size(); }

  private:
    struct Held {
        std::string key;
        PackedImage image;
    };
    std::size_t byteLimit_;
    std::size_t bytes_ = 0;
    std::list<Held> order_; // most recently used first
    std::unordered_map<std::string, std::list<Held>::iterator> entries_;
};

} // namespace quillet
