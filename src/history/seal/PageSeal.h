// SPDX-License-Identifier: MIT
#pragma once
// One page of the kept history's file, sealed: XChaCha20-Poly1305 (libsodium) over the page's
// bytes, a fresh nonce each time it is written, the nonce and the tag in the 40 bytes
// SQLite leaves unused at each page's end. The page is bound to its place: its number, the
// file's salt and, in the log, the frame it sits in. The first page's first 16 bytes (SQLite's
// fixed "SQLite format 3") hold the salt instead, in the clear, so the file can be read again.

#include "SealKey.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace quillet {

inline constexpr std::size_t kSealedPageSize = 4096;
inline constexpr std::size_t kSealNonceBytes = 24;
inline constexpr std::size_t kSealTagBytes = 16;
inline constexpr std::size_t kSealReserve = kSealNonceBytes + kSealTagBytes;
inline constexpr std::size_t kSaltBytes = 16;

using FileSalt = std::array<std::uint8_t, kSaltBytes>;

FileSalt randomSalt();

// Where a page is written: its number in the database, and for a copy in the log the frame's
// page number and commit size (the frame header's first 8 bytes) and the page's offset in the
// log (8 bytes, little-endian).
struct PagePlace {
    std::uint32_t pageNumber = 0;
    bool inLog = false;
    std::array<std::uint8_t, 16> frame{};
};

using PageNonce = std::array<std::uint8_t, kSealNonceBytes>;

// Never the same twice for a key: 16 random bytes of this source's own, then a count.
class NonceSource {
  public:
    NonceSource();
    PageNonce next();

  private:
    std::array<std::uint8_t, 16> prefix_;
    std::atomic<std::uint64_t> count_{0};
};

// Seals the page in place (kSealedPageSize bytes, its last kSealReserve SQLite's reserve).
void sealPage(const SealKey& key, const FileSalt& salt, const PagePlace& place,
              const PageNonce& nonce, std::uint8_t* page);
// Opens a sealed page in place; false, and the page's bytes all zero, when it was not sealed
// with this key for this place (a changed byte, a page moved, another file's page).
bool openPage(const SealKey& key, const FileSalt& salt, const PagePlace& place, std::uint8_t* page);

} // namespace quillet
