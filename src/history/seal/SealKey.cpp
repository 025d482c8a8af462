// SPDX-License-Identifier: MIT
#include "SealKey.h"

#include <sodium.h>

#include <cstring>
#include <new>
#include <stdexcept>

namespace quillet {
namespace {

constexpr int kBase64 = sodium_base64_VARIANT_ORIGINAL;

void* guardedBytes(std::size_t size) {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
    void* bytes = sodium_malloc(size);
    if (bytes == nullptr)
        throw std::bad_alloc();
    return bytes;
}

} // namespace

SealKey::SealKey() : bytes_(static_cast<std::uint8_t*>(guardedBytes(kBytes))) {}

SealKey::SealKey(const SealKey& other) : SealKey() {
    std::memcpy(bytes_, other.bytes_, kBytes);
}

SealKey::SealKey(SealKey&& other) noexcept : bytes_(other.bytes_) {
    other.bytes_ = nullptr;
}

SealKey::~SealKey() {
    sodium_free(bytes_); // wipes it; nothing for a moved-from key
}

SealKey SealKey::random() {
    SealKey key;
    randombytes_buf(key.bytes_, kBytes);
    return key;
}

std::optional<SealKey> SealKey::fromText(std::string_view text) {
    SealKey key;
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(key.bytes_, kBytes, text.data(), text.size(), nullptr, &length, &end,
                          kBase64) != 0 ||
        length != kBytes || end != text.data() + text.size())
        return std::nullopt;
    return key;
}

SealKey::Text SealKey::text() const {
    Text text(sodium_base64_ENCODED_LEN(kBytes, kBase64));
    sodium_bin2base64(text.data(), sodium_base64_ENCODED_LEN(kBytes, kBase64), bytes_, kBytes,
                      kBase64);
    return text;
}

SealKey::Text::Text(std::size_t capacity) : text_(static_cast<char*>(guardedBytes(capacity))) {}

SealKey::Text::~Text() {
    sodium_free(text_);
}

} // namespace quillet
