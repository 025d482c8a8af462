// SPDX-License-Identifier: MIT
#include "ImageList.h"

#include <limits>
#include <stdexcept>

namespace quillet {

void ImageList::add(int index, const std::string& key, PackedImage image) {
    if (index < 1 || index > static_cast<int>(images_.size()) + 1)
        throw std::out_of_range("image index out of range");
    if (positionOfKey_.contains(key))
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
    for (int i = index; i <= static_cast<int>(images_.size()); ++i)
        positionOfKey_[images_[static_cast<std::size_t>(i - 1)].key] = i;
}

void ImageList::removeKeys(const std::unordered_set<std::string>& keys) {
    if (keys.empty())
        return;
    std::erase_if(images_, [&](const Entry& entry) { return keys.contains(entry.key); });
    positionOfKey_.clear();
    for (int i = 1; i <= static_cast<int>(images_.size()); ++i)
        positionOfKey_[images_[static_cast<std::size_t>(i - 1)].key] = i;
}

void ImageList::setBytes(const std::string& key, std::vector<std::uint8_t> bytes) {
    const auto found = positionOfKey_.find(key);
    if (found == positionOfKey_.end())
        throw std::out_of_range("no image with that key");
    images_[static_cast<std::size_t>(found->second - 1)].image.bytes = std::move(bytes);
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
    const auto found = positionOfKey_.find(key);
    if (found == positionOfKey_.end())
        throw std::out_of_range("no image with that key");
    return image(found->second);
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
