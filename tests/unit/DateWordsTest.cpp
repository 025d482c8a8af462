// SPDX-License-Identifier: MIT
#include "DateWords.h"
#include "TimeZone.h"

#include <glib.h>
#include <gtest/gtest.h>

using namespace quillet;

namespace {

// A local time, "2026-12-10 15:30", as stored.
StoredTime local(const char* when) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    EXPECT_EQ(std::sscanf(when, "%d-%d-%d %d:%d", &year, &month, &day, &hour, &minute), 5) << when;
    GDateTime* time = g_date_time_new_local(year, month, day, hour, minute, 0);
    const StoredTime seconds = g_date_time_to_unix(time);
    g_date_time_unref(time);
    return seconds;
}

// The span read from `typed` at `now`, as local times and words, to compare in one line.
std::string read(const char* typed, const char* now) {
    const DatedSearch search = readDateWords(typed, local(now));
    if (!search.span)
        return "none | " + search.words;
    const auto text = [](StoredTime time) {
        GDateTime* local = g_date_time_new_from_unix_local(time);
        gchar* formatted = g_date_time_format(local, "%Y-%m-%d %H:%M");
        std::string result = formatted;
        g_free(formatted);
        g_date_time_unref(local);
        return result;
    };
    return text(search.span->from) + " - " + text(search.span->to) + " | " + search.spanText +
           " | " + search.words;
}

constexpr const char* kThursday = "2026-12-10 15:30"; // a Thursday afternoon

} // namespace

TEST(DateWords, DaysBackFromToday) {
    const TimeZone tokyo("Asia/Tokyo");
    EXPECT_EQ(read("今日", kThursday), "2026-12-10 00:00 - 2026-12-11 00:00 | 12月10日 (木) | ");
    EXPECT_EQ(read("昨日", kThursday), "2026-12-09 00:00 - 2026-12-10 00:00 | 12月9日 (水) | ");
    for (const char* twoDays : {"一昨日", "おととい", "2日前", "２日前", "二日前"})
        EXPECT_EQ(read(twoDays, kThursday), "2026-12-08 00:00 - 2026-12-09 00:00 | 12月8日 (火) | ")
            << twoDays;
    EXPECT_EQ(read("十日前", kThursday), "2026-11-30 00:00 - 2026-12-01 00:00 | 11月30日 (月) | ");
    EXPECT_EQ(read("二十日前", kThursday),
              "2026-11-20 00:00 - 2026-11-21 00:00 | 11月20日 (金) | ");
    // A weekday is the last one before today: on a Thursday, 木曜日 is a week ago.
    EXPECT_EQ(read("火曜日", kThursday), "2026-12-08 00:00 - 2026-12-09 00:00 | 12月8日 (火) | ");
    EXPECT_EQ(read("木曜日", kThursday), "2026-12-03 00:00 - 2026-12-04 00:00 | 12月3日 (木) | ");
    EXPECT_EQ(read("金曜", kThursday), "2026-12-04 00:00 - 2026-12-05 00:00 | 12月4日 (金) | ");
}

TEST(DateWords, WeeksMonthsAndYears) {
    const TimeZone tokyo("Asia/Tokyo");
    EXPECT_EQ(read("今週", kThursday),
              "2026-12-07 00:00 - 2026-12-14 00:00 | 12月7日 (月)〜12月13日 (日) | ");
    EXPECT_EQ(read("先週", kThursday),
              "2026-11-30 00:00 - 2026-12-07 00:00 | 11月30日 (月)〜12月6日 (日) | ");
    for (const char* twoWeeks : {"先々週", "2週間前", "二週間前"})
        EXPECT_EQ(read(twoWeeks, kThursday),
                  "2026-11-23 00:00 - 2026-11-30 00:00 | 11月23日 (月)〜11月29日 (日) | ")
            << twoWeeks;
    for (const char* lastWeeksTuesday :
         {"先週の火曜日", "先週火曜日", "先週 火曜", "1週間前の火曜日"})
        EXPECT_EQ(read(lastWeeksTuesday, kThursday),
                  "2026-12-01 00:00 - 2026-12-02 00:00 | 12月1日 (火) | ")
            << lastWeeksTuesday;
    EXPECT_EQ(read("今月", kThursday), "2026-12-01 00:00 - 2027-01-01 00:00 | 12月 | ");
    EXPECT_EQ(read("先月", kThursday), "2026-11-01 00:00 - 2026-12-01 00:00 | 11月 | ");
    for (const char* threeMonths : {"3か月前", "3ヶ月前", "三カ月前", "３ヵ月前"})
        EXPECT_EQ(read(threeMonths, kThursday), "2026-09-01 00:00 - 2026-10-01 00:00 | 9月 | ")
            << threeMonths;
    EXPECT_EQ(read("十二か月前", kThursday), "2025-12-01 00:00 - 2026-01-01 00:00 | 2025年12月 | ");
    EXPECT_EQ(read("去年", kThursday), "2025-01-01 00:00 - 2026-01-01 00:00 | 2025年 | ");
    EXPECT_EQ(read("今年", kThursday), "2026-01-01 00:00 - 2027-01-01 00:00 | 2026年 | ");
}

TEST(DateWords, DatesAsWritten) {
    const TimeZone tokyo("Asia/Tokyo");
    for (const char* first : {"12月1日", "１２月１日", "十二月一日", "12/1", "１２／１",
                              "2026年12月1日", "二〇二六年十二月一日", "2026/12/1"})
        EXPECT_EQ(read(first, kThursday), "2026-12-01 00:00 - 2026-12-02 00:00 | 12月1日 (火) | ")
            << first;
    // A day of this year still to come is last year's.
    EXPECT_EQ(read("12月25日", kThursday),
              "2025-12-25 00:00 - 2025-12-26 00:00 | 2025年12月25日 (木) | ");
    EXPECT_EQ(read("2026年11月", kThursday), "2026-11-01 00:00 - 2026-12-01 00:00 | 11月 | ");
    EXPECT_EQ(read("2025年2月", kThursday), "2025-02-01 00:00 - 2025-03-01 00:00 | 2025年2月 | ");
    for (const char* notADay : {"2月30日", "13/1", "2026年13月", "2026年2月30日", "1969/12/31",
                                "12月", "2026", "99999日前"})
        EXPECT_EQ(read(notADay, kThursday), std::string("none | ") + notADay) << notADay;
}

TEST(DateWords, PartsOfADay) {
    const TimeZone tokyo("Asia/Tokyo");
    for (const char* afternoon : {"昨日の午後", "昨日午後", "昨日 午後", "昨日　午後"})
        EXPECT_EQ(read(afternoon, kThursday),
                  "2026-12-09 12:00 - 2026-12-09 18:00 | 12月9日 (水) 12:00〜18:00 | ")
            << afternoon;
    EXPECT_EQ(read("先週の火曜日の夕方", kThursday),
              "2026-12-01 16:00 - 2026-12-01 19:00 | 12月1日 (火) 16:00〜19:00 | ");
    EXPECT_EQ(read("12月1日 夜", kThursday),
              "2026-12-01 18:00 - 2026-12-02 00:00 | 12月1日 (火) 18:00〜24:00 | ");
    // Alone, today's once it has begun, else yesterday's.
    EXPECT_EQ(read("朝", kThursday),
              "2026-12-10 05:00 - 2026-12-10 10:00 | 12月10日 (木) 5:00〜10:00 | ");
    EXPECT_EQ(read("夜", kThursday),
              "2026-12-09 18:00 - 2026-12-10 00:00 | 12月9日 (水) 18:00〜24:00 | ");
    EXPECT_EQ(read("昼", "2026-12-10 11:00"),
              "2026-12-10 11:00 - 2026-12-10 14:00 | 12月10日 (木) 11:00〜14:00 | ");
    EXPECT_EQ(read("午前", "2026-12-10 00:30"),
              "2026-12-10 00:00 - 2026-12-10 12:00 | 12月10日 (木) 0:00〜12:00 | ");
}

TEST(DateWords, TheOtherWordsAreSearchedAndADateInAWordIsAWord) {
    const TimeZone tokyo("Asia/Tokyo");
    const std::string yesterday = "2026-12-09 00:00 - 2026-12-10 00:00 | 12月9日 (水) | ";
    EXPECT_EQ(read("昨日の設定", kThursday), yesterday + "設定");
    EXPECT_EQ(read("昨日の設定のページ", kThursday), yesterday + "設定のページ");
    EXPECT_EQ(read("設定 昨日", kThursday), yesterday + "設定");
    EXPECT_EQ(read("apt 昨日 設定", kThursday), yesterday + "apt 設定");
    EXPECT_EQ(read("昨日の", kThursday), yesterday);
    // A part of the day that begins a longer word is that word: 朝日新聞 is searched for.
    EXPECT_EQ(read("昨日 朝日新聞", kThursday), yesterday + "朝日新聞");
    // One date is read; a second is searched for.
    EXPECT_EQ(read("昨日 先週", kThursday), yesterday + "先週");
    for (const char* word : {"明日香", "今日香", "今月号", "3日前後", "設定昨日", "火曜日劇場",
                             "朝日", "夜景", "の", "", "2026年", "昨日x"})
        EXPECT_EQ(read(word, kThursday), std::string("none | ") + word) << word;
}

TEST(DateWords, AcrossTheYearsEnd) {
    const TimeZone tokyo("Asia/Tokyo");
    const char* newYear = "2027-01-01 10:00"; // a Friday
    EXPECT_EQ(read("昨日", newYear),
              "2026-12-31 00:00 - 2027-01-01 00:00 | 2026年12月31日 (木) | ");
    EXPECT_EQ(read("先週", newYear), "2026-12-21 00:00 - 2026-12-28 00:00 | 2026年12月21日 (月)〜"
                                     "2026年12月27日 (日) | ");
    EXPECT_EQ(read("今週", newYear), "2026-12-28 00:00 - 2027-01-04 00:00 | 2026年12月28日 (月)〜"
                                     "1月3日 (日) | ");
    EXPECT_EQ(read("先月", newYear), "2026-12-01 00:00 - 2027-01-01 00:00 | 2026年12月 | ");
    EXPECT_EQ(read("去年", newYear), "2026-01-01 00:00 - 2027-01-01 00:00 | 2026年 | ");
    EXPECT_EQ(read("12月31日", newYear),
              "2026-12-31 00:00 - 2027-01-01 00:00 | 2026年12月31日 (木) | ");
    // The month's end: a month back from 31 March is all of February.
    EXPECT_EQ(read("1か月前", "2026-03-31 09:00"), "2026-02-01 00:00 - 2026-03-01 00:00 | 2月 | ");
    EXPECT_EQ(read("昨日", "2028-03-01 09:00"),
              "2028-02-29 00:00 - 2028-03-01 00:00 | 2月29日 (火) | ");
}

TEST(DateWords, DaysAsLongAsTheClocksMakeThem) {
    const TimeZone berlin("Europe/Berlin");
    // The clocks went forward on Sunday 29 March 2026, and back on Sunday 25 October.
    const auto length = [](const char* typed, const char* now) {
        const auto span = readDateWords(typed, local(now)).span;
        return span ? (span->to - span->from) / 3600 : -1;
    };
    EXPECT_EQ(length("昨日", "2026-03-30 12:00"), 23);
    EXPECT_EQ(length("先週", "2026-03-30 12:00"), 7 * 24 - 1);
    EXPECT_EQ(length("昨日の夜", "2026-03-30 12:00"), 6);
    EXPECT_EQ(length("昨日の午前", "2026-03-30 12:00"), 11);
    EXPECT_EQ(read("昨日の朝", "2026-03-30 12:00"),
              "2026-03-29 05:00 - 2026-03-29 10:00 | 3月29日 (日) 5:00〜10:00 | ");
    EXPECT_EQ(length("昨日", "2026-10-26 12:00"), 25);
    EXPECT_EQ(length("先月", "2026-11-02 12:00"), 31 * 24 + 1);
}

TEST(DateWords, TheFilterCarriesTheSpanAndTheRestOfTheWords) {
    const TimeZone tokyo("Asia/Tokyo");
    const HistoryFilter filter = datedFilter("昨日の設定", 3, local(kThursday));
    EXPECT_EQ(filter.typed, "設定");
    EXPECT_EQ(filter.chips, 3U);
    EXPECT_EQ(filter.span, (TimeSpan{local("2026-12-09 00:00"), local("2026-12-10 00:00")}));
    EXPECT_FALSE(datedFilter("昨日", 0, local(kThursday)).empty()); // the span's pages
    EXPECT_TRUE(datedFilter("  ", 0, local(kThursday)).empty());
    EXPECT_FALSE(datedFilter("明日香", 0, local(kThursday)).span.has_value());
}
