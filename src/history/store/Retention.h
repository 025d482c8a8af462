// SPDX-License-Identifier: MIT
#pragma once
// How long the kept history keeps a page after its last visit, as the user sets it (保存期間),
// and the words that say what is kept.

#include "HistoryStore.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Forever unless the user says otherwise: nothing disappears on its own.
enum class Retention { OneMonth, ThreeMonths, OneYear, Forever };

inline constexpr Retention kRetentions[] = {Retention::OneMonth, Retention::ThreeMonths,
                                            Retention::OneYear, Retention::Forever};
const char* retentionName(Retention retention); // 1か月, 3か月, 1年, 無期限

// As the settings store holds it ("1m", "3m", "1y", "forever"); anything else is Forever.
std::string retentionSetting(Retention retention);
Retention retentionFromSetting(std::string_view stored);

// Pages last visited before this are no longer kept (none: Forever). Months are calendar
// months back from `now`'s day (UTC), the day clamped to the month's last.
std::optional<StoredTime> retentionCutoff(Retention retention,
                                          std::chrono::system_clock::time_point now);

// How much space the saved copies of kept pages may take (保存するページの容量); past it the
// oldest versions go first. 2 GB unless the user says otherwise.
struct SavedCopiesSpace {
    const char* name;                  // as the dialog shows it: 500 MB, 2 GB, 10 GB, 無制限
    const char* setting;               // as the settings store holds it
    std::optional<std::int64_t> bytes; // none: no limit
};
inline constexpr SavedCopiesSpace kSavedCopiesSpaces[] = {{"500 MB", "500mb", 500'000'000},
                                                          {"2 GB", "2gb", 2'000'000'000},
                                                          {"10 GB", "10gb", 10'000'000'000},
                                                          {"無制限", "unlimited", std::nullopt}};
// Anything the store does not know is the default, 2 GB.
const SavedCopiesSpace& savedCopiesSpaceFromSetting(std::string_view stored);

// 「保存されている履歴: 12,345 ページ (210 MB)」: megabytes of 1,000,000 bytes, with one decimal
// under 10 MB.
std::string keptHistorySummary(std::int64_t pages, std::uint64_t bytes);
// 「保存したページ: 1.2 MB」, the space the saved copies take, in the same megabytes.
std::string savedCopiesSummary(std::int64_t bytes);

} // namespace quillet
