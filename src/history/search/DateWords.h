// SPDX-License-Identifier: MIT
#pragma once
// Date words in a history search: 「昨日の設定」 finds the pages about 設定 visited yesterday.
// The words a person uses for when they saw a page are read from the start of a word typed (a
// date inside a longer word, as in 「明日香」 or 「今月号」, is a word), and stand for a span of
// local time; the other words search the pages' text as before.
//
//   今日 昨日 一昨日 おととい                 that day
//   今週 先週 先々週 N週間前                  that week, Monday to Sunday
//   今月 先月 Nか月前 (ヶ月, カ月, ケ月, ヵ月)  that month
//   今年 去年 昨年                            that year
//   N日前                                     the day N days before today
//   月曜日 … 日曜日 (月曜 … 日曜)              the last such day before today
//   先週の火曜日, 今週の月曜, 2週間前の金曜日   that day of that week
//   M月D日, M/D                               that day this year, or last year if still to come
//   YYYY年M月D日, YYYY/M/D                    that day
//   YYYY年M月                                 that month
//   朝 5–10時, 午前 0–12時, 昼 11–14時,        that part of a day, after a day (昨日の夜,
//   午後 12–18時, 夕方 16–19時, 夜 18–24時     昨日 夜) or alone (today's, or yesterday's
//                                             when today's has not begun)
//
// N is written in digits, full-width digits or kanji numerals (三日前, 十二月三日, 二〇二六年).
// A date word may be joined to the words after it with の (昨日の設定). One date is read from
// what is typed; a second one is searched for as words.

#include "HistoryStore.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct DatedSearch {
    std::string words;                           // what was typed, without its date words
    std::optional<TimeSpan> span = std::nullopt; // none: no date words
    std::string spanText = {}; // the span as a person reads it: 「12月1日 (火) 13:00〜18:00」
};

// What `typed` says, read at `now` in the local time zone.
DatedSearch readDateWords(std::string_view typed, StoredTime now);

// The filter for what was typed and the chips picked, its date words read at `now`.
HistoryFilter datedFilter(std::string_view typed, ColourChips chips, StoredTime now);

} // namespace quillet
