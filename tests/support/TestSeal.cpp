// SPDX-License-Identifier: MIT
#include "TestSeal.h"

#include "PageSeal.h"
#include "TestFiles.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace quillet::test {

const SealedVfs* testSeal() {
    static const SealedVfs seal = [] {
        constexpr const char* kVariable = "QUILLET_TEST_HISTORY_KEY";
        if (const char* given = std::getenv(kVariable)) {
            if (auto key = SealKey::fromText(given))
                return SealedVfs(std::move(*key));
            throw std::runtime_error("QUILLET_TEST_HISTORY_KEY is not a key");
        }
        SealKey key = SealKey::random();
        ::setenv(kVariable, key.text().c_str(), 1);
        return SealedVfs(std::move(key));
    }();
    return &seal;
}

std::string openedBytes(const std::string& file, const SealedVfs& seal) {
    std::string opened;
    const std::string bytes = readFile(file);
    if (bytes.size() < kSaltBytes)
        return opened;
    FileSalt salt;
    std::memcpy(salt.data(), bytes.data(), kSaltBytes);
    std::vector<std::uint8_t> page(kSealedPageSize);
    const auto openInto = [&](const char* from, const PagePlace& place) {
        std::memcpy(page.data(), from, kSealedPageSize);
        if (openPage(seal.key(), salt, place, page.data()))
            opened.append(page.begin(), page.end());
    };
    for (std::size_t at = 0; at + kSealedPageSize <= bytes.size(); at += kSealedPageSize)
        openInto(bytes.data() + at,
                 {static_cast<std::uint32_t>(at / kSealedPageSize + 1), false, {}});
    if (!std::filesystem::exists(file + "-wal"))
        return opened;
    const std::string log = readFile(file + "-wal");
    constexpr std::size_t kFrameHeader = 24;
    for (std::size_t at = 32; at + kFrameHeader + kSealedPageSize <= log.size();
         at += kFrameHeader + kSealedPageSize) {
        const auto* header = reinterpret_cast<const std::uint8_t*>(log.data() + at);
        PagePlace place{(std::uint32_t{header[0]} << 24) | (std::uint32_t{header[1]} << 16) |
                            (std::uint32_t{header[2]} << 8) | header[3],
                        true,
                        {}};
        std::memcpy(place.frame.data(), header, 8);
        const std::uint64_t data = at + kFrameHeader;
        for (int i = 0; i < 8; ++i)
            place.frame[8 + i] = static_cast<std::uint8_t>(data >> (8 * i));
        openInto(log.data() + data, place);
    }
    return opened;
}

} // namespace quillet::test
