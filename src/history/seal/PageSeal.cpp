// SPDX-License-Identifier: MIT
#include "PageSeal.h"

#include <sodium.h>

#include <cstring>

namespace quillet {
namespace {

static_assert(kSealNonceBytes == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
static_assert(kSealTagBytes == crypto_aead_xchacha20poly1305_ietf_ABYTES);
static_assert(SealKey::kBytes == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);

constexpr char kSqliteMagic[kSaltBytes] = "SQLite format 3"; // with its NUL, 16 bytes

// salt, page number (little-endian), in the log or not, the frame's header.
using AssociatedData = std::array<std::uint8_t, kSaltBytes + 4 + 1 + 16>;

AssociatedData associatedData(const FileSalt& salt, const PagePlace& place) {
    AssociatedData data{};
    std::memcpy(data.data(), salt.data(), kSaltBytes);
    for (int i = 0; i < 4; ++i)
        data[kSaltBytes + i] = static_cast<std::uint8_t>(place.pageNumber >> (8 * i));
    data[kSaltBytes + 4] = place.inLog ? 1 : 0;
    std::memcpy(data.data() + kSaltBytes + 5, place.frame.data(), place.frame.size());
    return data;
}

// The first page's salt stands where SQLite's fixed header text was; it is not sealed.
std::size_t sealedFrom(const PagePlace& place) {
    return place.pageNumber == 1 ? kSaltBytes : 0;
}

} // namespace

FileSalt randomSalt() {
    FileSalt salt;
    randombytes_buf(salt.data(), salt.size());
    return salt;
}

NonceSource::NonceSource() {
    randombytes_buf(prefix_.data(), prefix_.size());
}

// A random prefix and a count, rather than 24 random bytes: one system call less for every
// page written, and as unique (XChaCha20's nonce leaves 128 bits for the prefix).
PageNonce NonceSource::next() {
    PageNonce nonce{};
    std::memcpy(nonce.data(), prefix_.data(), prefix_.size());
    const std::uint64_t count = count_.fetch_add(1);
    for (int i = 0; i < 8; ++i)
        nonce[prefix_.size() + i] = static_cast<std::uint8_t>(count >> (8 * i));
    return nonce;
}

void sealPage(const SealKey& key, const FileSalt& salt, const PagePlace& place,
              const PageNonce& pageNonce, std::uint8_t* page) {
    const std::size_t from = sealedFrom(place);
    const std::size_t length = kSealedPageSize - kSealReserve - from;
    std::uint8_t* nonce = page + kSealedPageSize - kSealReserve;
    std::uint8_t* tag = nonce + kSealNonceBytes;
    std::memcpy(nonce, pageNonce.data(), kSealNonceBytes);
    const AssociatedData data = associatedData(salt, place);
    crypto_aead_xchacha20poly1305_ietf_encrypt_detached(page + from, tag, nullptr, page + from,
                                                        length, data.data(), data.size(), nullptr,
                                                        nonce, key.bytes());
    if (from > 0)
        std::memcpy(page, salt.data(), kSaltBytes);
}

bool openPage(const SealKey& key, const FileSalt& salt, const PagePlace& place,
              std::uint8_t* page) {
    const std::size_t from = sealedFrom(place);
    const std::size_t length = kSealedPageSize - kSealReserve - from;
    const std::uint8_t* nonce = page + kSealedPageSize - kSealReserve;
    const std::uint8_t* tag = nonce + kSealNonceBytes;
    const AssociatedData data = associatedData(salt, place);
    const bool saltHolds = from == 0 || sodium_memcmp(page, salt.data(), kSaltBytes) == 0;
    if (!saltHolds || crypto_aead_xchacha20poly1305_ietf_decrypt_detached(
                          page + from, nullptr, page + from, length, tag, data.data(), data.size(),
                          nonce, key.bytes()) != 0) {
        sodium_memzero(page, kSealedPageSize);
        return false;
    }
    if (from > 0)
        std::memcpy(page, kSqliteMagic, kSaltBytes);
    // SQLite's reserve is its own again: zeros, as it wrote them.
    sodium_memzero(page + kSealedPageSize - kSealReserve, kSealReserve);
    return true;
}

} // namespace quillet
