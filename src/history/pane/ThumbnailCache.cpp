// SPDX-License-Identifier: MIT
#include "ThumbnailCache.h"

namespace quillet {

const PackedImage* ThumbnailCache::find(const std::string& key) {
    const auto found = entries_.find(key);
    if (found == entries_.end())
        return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return &found->second->image;
}

void ThumbnailCache::put(const std::string& key, PackedImage image) {
    erase(key);
    if (image.bytes.size() > byteLimit_)
        return;
    bytes_ += image.bytes.size();
    order_.push_front(Held{key, std::move(image)});
    entries_[key] = order_.begin();
    while (bytes_ > byteLimit_)
        erase(order_.back().key);
}

void ThumbnailCache::erase(const std::string& key) {
    const auto found = entries_.find(key);
    if (found == entries_.end())
        return;
    bytes_ -= found->second->image.bytes.size();
    order_.erase(found->second);
    entries_.erase(found);
}

void ThumbnailCache::clear() {
    order_.clear();
    entries_.clear();
    bytes_ = 0;
}

} // namespace quillet
