// SPDX-License-Identifier: MIT
#include "ImageList.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quillet {

void ImageList::add(int index, const std::string& key, PackedImage image) {
    if (index < 1 || index > static_cast<int>(images_.size()) + 1)
        throw std::out_of_range("image index out of range");
    if (positions_.contains(key))
        throw std::invalid_argument("key is not unique in the image list");
    if (images_.size() >= kMaxCount)
        throw std::length_error("image list is full");
    if (width_ != 0 && (image.width != width_ || image.height != height_))
        throw std::invalid_argument("image size differs from the image list's");
    if (width_ == 0) {
        width_ = image.width;
        height_ = image.height;
    }
    images_.insert(images_.begin() + (index - 1), Entry{key, std::move(image)});
    positions_.insert(index, key);
}

void ImageList::removeKeys(const std::unordered_set<std::string>& keys) {
    std::vector<int> removed;
    for (const std::string& key : keys)
        if (const auto position = positions_.find(key)) {
            removed.push_back(*position);
        }
    if (removed.empty())
        return;
    if (removed.size() == images_.size()) {
        images_.clear();
        positions_.clear();
        return;
    }
    std::sort(removed.begin(), removed.end());
    positions_.removeAt(removed, keys);
    // Nothing before the first removed image moves.
    std::size_t to = static_cast<std::size_t>(removed.front() - 1), next = 0;
    for (std::size_t from = to; from < images_.size(); ++from) {
        if (next < removed.size() && from + 1 == static_cast<std::size_t>(removed[next])) {
            ++next;
            continue;
        }
        if (to != from)
            images_[to] = std::move(images_[from]);
        ++to;
    }
    images_.resize(to);
}

ImageList ImageList::takeAll() {
    ImageList taken;
    std::swap(taken.images_, images_);
    std::swap(taken.positions_, positions_);
    taken.width_ = width_;
    taken.height_ = height_;
    return taken;
}

const PackedImage& ImageList::image(int index) const {
    if (index < 1 || index > static_cast<int>(images_.size()))
        throw std::out_of_range("image index out of range");
    return images_[static_cast<std::size_t>(index - 1)].image;
}

const std::string& ImageList::key(int index) const {
    if (index < 1 || index > static_cast<int>(images_.size()))
        throw std::out_of_range("image index out of range");
    return images_[static_cast<std::size_t>(index - 1)].key;
}

const PackedImage& ImageList::image(const std::string& key) const {
    const auto found = positions_.find(key);
    if (!found)
        throw std::out_of_range("no image with that key");
    return image(*found);
}

std::size_t ImageList::packedBytes() const {
    std::size_t total = 0;
    for (const Entry& entry : images_)
        total += entry.image.bytes.size();
    return total;
}

std::int16_t nextPosition(std::int16_t count) {
    if (count == std::numeric_limits<std::int16_t>::max())
        throw std::overflow_error("history position overflows");
    return static_cast<std::int16_t>(count + 1);
}

} // namespace quillet
