// SPDX-License-Identifier: MIT
#pragma once
// The days of the history's timeline, in the user's local time: where a day starts and ends
// (a day may be 23 or 25 hours long where the clocks change), and how a day and a visit's time
// are written on the timeline.

#include "HistoryStore.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

StoredTime startOfLocalDay(StoredTime time);
StoredTime startOfNextLocalDay(StoredTime dayStart);
// "2026-12-08" to the start of that local day (none for anything else).
std::optional<StoredTime> parseLocalDate(std::string_view date);
// "2026-12-08", as the date field takes it.
std::string localDateText(StoredTime dayStart);
// "2026年12月8日".
std::string dateInWords(StoredTime time);
// "2026年12月8日 (火)".
std::string dayHeading(StoredTime dayStart);
// "9:05".
std::string timeOfDay(StoredTime time);

} // namespace quillet
