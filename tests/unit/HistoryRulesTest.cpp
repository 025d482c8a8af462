// SPDX-License-Identifier: MIT
#include "HistoryRules.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

using namespace quillet;

TEST(VisitTime, TwentyFourHourClockWithLeadingZeros) {
    std::tm morning{};
    morning.tm_year = 124;
    morning.tm_mon = 4;
    morning.tm_mday = 1;
    morning.tm_hour = 9;
    morning.tm_min = 5;
    morning.tm_sec = 3;
    EXPECT_EQ(formatVisitTime(morning), "2024/05/01 09:05:03");
    std::tm evening = morning;
    evening.tm_hour = 21;
    EXPECT_EQ(formatVisitTime(evening), "2024/05/01 21:05:03");
}

TEST(VisitTime, UsesLocalTime) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    // 2024-05-01 00:05:03 UTC is 09:05:03 in Tokyo.
    const auto when = std::chrono::system_clock::from_time_t(1714521903);
    EXPECT_EQ(formatVisitTime(when), "2024/05/01 09:05:03");
    unsetenv("TZ");
    tzset();
}

TEST(CaptureSource, PageViewRectangleLessTheMarginRoundedHalfToEven) {
    const PixelRect rect = captureSourceRect(0, 1000, 9000, 6000, 15, 15);
    EXPECT_EQ(rect.x, 10);
    EXPECT_EQ(rect.y, 77); // 1000 / 15 + 10 = 76.67
    EXPECT_EQ(rect.width, 570);
    EXPECT_EQ(rect.height, 370);
    // 7.5 + 10 = 17.5 rounds to the even 18; 25.5 - 30 = -4.5 rounds to -4.
    const PixelRect halves = captureSourceRect(112.5, 0, 382.5, 15, 15, 15);
    EXPECT_EQ(halves.x, 18);
    EXPECT_EQ(halves.width, -4);
    EXPECT_EQ(halves.height, -29);
    EXPECT_THROW(captureSourceRect(0, 0, 100, 100, 0, 15), std::overflow_error);
}

TEST(HistorySearch, PutsHttpInFrontUnlessItOccursAnywhere) {
    EXPECT_EQ(historySearchText("example.com"), "http://example.com");
    EXPECT_EQ(historySearchText("HTTP://EXAMPLE.COM"), "http://HTTP://EXAMPLE.COM");
    EXPECT_EQ(historySearchText("https://example.com"), "http://https://example.com");
    EXPECT_EQ(historySearchText(""), "http://");
    EXPECT_EQ(historySearchText("view-source:http://a/"), "view-source:http://a/");
    EXPECT_EQ(historySearchText("http://a/"), "http://a/");
}

TEST(HistorySearch, StartsAfterTheSelectedEntryOrAtTheTop) {
    EXPECT_EQ(historySearchStart(3, SearchMode::Cursor), 4);
    EXPECT_EQ(historySearchStart(3, SearchMode::Full), 1);
    EXPECT_EQ(historySearchStart(std::nullopt, SearchMode::Cursor), 1);
}

TEST(EntryTooltip, TitleDashAddress) {
    EXPECT_EQ(entryTooltip("Top page", "http://example.com/"), "Top page - http://example.com/");
    EXPECT_EQ(entryTooltip("", "http://a/"), " - http://a/");
}
