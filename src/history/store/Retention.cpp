// SPDX-License-Identifier: MIT
#include "Retention.h"

#include <cstdio>
#include <iterator>

namespace quillet {
namespace {

std::string withThousands(std::uint64_t number) {
    std::string digits = std::to_string(number);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

struct RetentionWords {
    Retention retention;
    const char* name;    // as the dialog shows it
    const char* setting; // as the settings store holds it
};

constexpr RetentionWords kWords[] = {{Retention::OneMonth, "1か月", "1m"},
                                     {Retention::ThreeMonths, "3か月", "3m"},
                                     {Retention::OneYear, "1年", "1y"},
                                     {Retention::Forever, "無期限", "forever"}};

const RetentionWords& wordsOf(Retention retention) {
    for (const RetentionWords& words : kWords)
        if (words.retention == retention)
            return words;
    return kWords[std::size(kWords) - 1];
}

std::string megabytesText(std::uint64_t bytes) {
    const double megabytes = static_cast<double>(bytes) / 1e6;
    if (megabytes >= 10)
        return withThousands(static_cast<std::uint64_t>(megabytes + 0.5)) + " MB";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", megabytes);
    return std::string(text) + " MB";
}

} // namespace

const char* retentionName(Retention retention) {
    return wordsOf(retention).name;
}

std::string retentionSetting(Retention retention) {
    return wordsOf(retention).setting;
}

Retention retentionFromSetting(std::string_view stored) {
    for (const RetentionWords& words : kWords)
        if (stored == words.setting)
            return words.retention;
    return Retention::Forever;
}

std::optional<StoredTime> retentionCutoff(Retention retention,
                                          std::chrono::system_clock::time_point now) {
    using namespace std::chrono;
    const int months = retention == Retention::OneMonth      ? 1
                       : retention == Retention::ThreeMonths ? 3
                       : retention == Retention::OneYear     ? 12
                                                             : 0;
    if (months == 0)
        return std::nullopt;
    const sys_days today = floor<days>(now);
    const year_month_day date(today);
    year_month_day back = date - std::chrono::months(months);
    if (!back.ok()) // 31 March less a month: the last of February
        back = year_month_day_last(back.year(), month_day_last(back.month()));
    return toStoredTime(sys_days(back) + (now - today));
}

const SavedCopiesSpace& savedCopiesSpaceFromSetting(std::string_view stored) {
    for (const SavedCopiesSpace& space : kSavedCopiesSpaces)
        if (stored == space.setting)
            return space;
    return kSavedCopiesSpaces[1];
}

std::string keptHistorySummary(std::int64_t pages, std::uint64_t bytes) {
    return "保存されている履歴: " +
           withThousands(static_cast<std::uint64_t>(std::max<std::int64_t>(0, pages))) +
           " ページ (" + megabytesText(bytes) + ")";
}

std::string savedCopiesSummary(std::int64_t bytes) {
    return "保存したページ: " +
           megabytesText(static_cast<std::uint64_t>(std::max<std::int64_t>(0, bytes)));
}

} // namespace quillet
