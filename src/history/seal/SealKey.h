// SPDX-License-Identifier: MIT
#pragma once
// The kept history's key: 256 random bits in memory libsodium guards (locked out of swap,
// fenced by guard pages, wiped when the key goes). Copied only on purpose.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

class SealKey {
  public:
    static constexpr std::size_t kBytes = 32;

    static SealKey random();
    // The key from its text in the keyring (base64); nullopt for any other text.
    static std::optional<SealKey> fromText(std::string_view text);

    SealKey(const SealKey& other);
    SealKey& operator=(const SealKey&) = delete;
    SealKey(SealKey&& other) noexcept;
    SealKey& operator=(SealKey&&) = delete;
    ~SealKey();

    const std::uint8_t* bytes() const { return bytes_; }
    // The base64 text the keyring keeps, in memory that is wiped when it goes.
    class Text;
    Text text() const;

  private:
    SealKey();
    std::uint8_t* bytes_;
};

class SealKey::Text {
  public:
    explicit Text(std::size_t capacity);
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    Text(Text&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    Text& operator=(Text&&) = delete;
    ~Text();
    char* data() { return text_; }
    const char* c_str() const { return text_; }

  private:
    char* text_;
};

} // namespace quillet
