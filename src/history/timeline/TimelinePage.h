// SPDX-License-Identifier: MIT
#pragma once
// Quillet's page quillet://history/: the history day by day as pictures. What the page asks
// for (its addresses), and the HTML it is made of: the whole page with its first day, and each
// further day, fetched by the page's script as the user scrolls down. Every text from the
// history is escaped; the page runs no script but its own.

#include "HistoryStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

inline constexpr const char* kTimelineAddress = "quillet://history/";
bool isTimelineAddress(std::string_view address);

struct TimelineRequest {
    enum class Kind { Page, Day, Thumbnail, Unknown };
    Kind kind = Kind::Unknown;
    HistoryFilter filter{};                          // q (the words), c (chip bits, summed)
    std::optional<StoredTime> before = std::nullopt; // Day: the start of the last day shown
    std::optional<std::size_t> from = std::nullopt;  // Day: the rest of it, from this page on
    std::optional<StoredTime> day = std::nullopt;    // Page: the day to start at (YYYY-MM-DD)
    std::vector<std::string> addresses{};            // Thumbnail: one
};
TimelineRequest readTimelineRequest(std::string_view address);

// The timeline's address for these words and chips (the pane's search, opened from there).
std::string timelineAddress(const HistoryFilter& filter);

// The page, with its first day (none: the history holds nothing that matches), and under its
// search field the span its date words were read as (DateWords), if any.
std::string timelinePage(const TimelineRequest& request, StoredTime firstDay,
                         const std::vector<StoredEntry>& pages, std::string_view spanText = {});
// One day's section, with its first kTilesAtOnce pages; "" when there is no earlier day.
inline constexpr std::size_t kTilesAtOnce = 60;
std::string timelineDay(StoredTime dayStart, const std::vector<StoredEntry>& pages);
// The day's pages from `from` on, kTilesAtOnce of them, for the rest of a long day.
std::string timelineTiles(const std::vector<StoredEntry>& pages, std::size_t from);

} // namespace quillet
