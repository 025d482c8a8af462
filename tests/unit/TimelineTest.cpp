// SPDX-License-Identifier: MIT
#include "SavedPageAddress.h"
#include "TimeZone.h"
#include "TimelineDays.h"
#include "TimelinePage.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

StoredEntry page(const std::string& address, const std::string& title, StoredTime time,
                 bool contentKept = true) {
    return {address, title, time, {}, contentKept};
}

} // namespace

TEST(TimelineDays, DaysAreLocalAndAsLongAsTheClocksMakeThem) {
    const TimeZone berlin("Europe/Berlin");
    const StoredTime march28 = *parseLocalDate("2026-03-28");
    EXPECT_EQ(startOfLocalDay(march28 + 13 * 3600 + 5), march28);
    EXPECT_EQ(startOfNextLocalDay(march28) - march28, 24 * 3600);
    const StoredTime march29 = startOfNextLocalDay(march28); // the clocks go forward
    EXPECT_EQ(localDateText(march29), "2026-03-29");
    EXPECT_EQ(startOfNextLocalDay(march29) - march29, 23 * 3600);
    const StoredTime october25 = *parseLocalDate("2026-10-25"); // and back
    EXPECT_EQ(startOfNextLocalDay(october25) - october25, 25 * 3600);
    EXPECT_EQ(dayHeading(*parseLocalDate("2026-12-08")), "2026年12月8日 (火)");
    EXPECT_EQ(timeOfDay(*parseLocalDate("2026-12-08") + 9 * 3600 + 5 * 60), "9:05");
    for (const char* wrong : {"2026-02-30", "2026-13-01", "2026-1-01", "2026-01-01x", "", "昨日"})
        EXPECT_FALSE(parseLocalDate(wrong).has_value()) << wrong;
}

TEST(TimelinePage, ReadsWhatThePageAsksFor) {
    using Kind = TimelineRequest::Kind;
    const auto asked = readTimelineRequest(
        "quillet://history/day?before=1765000000&q=%E8%A8%AD%E5%AE%9A+%E7%94%BB%E9%9D%A2&c=8&c=64");
    EXPECT_EQ(asked.kind, Kind::Day);
    EXPECT_EQ(asked.before, 1765000000);
    EXPECT_EQ(asked.filter.typed, "設定 画面");
    EXPECT_EQ(asked.filter.chips, chipBit(ColourChip::Green) | chipBit(ColourChip::White));
    EXPECT_EQ(readTimelineRequest("quillet://history/").kind, Kind::Page);
    EXPECT_EQ(readTimelineRequest("quillet://history/?day=2026-12-08").day,
              parseLocalDate("2026-12-08"));
    // A value may hold an encoded & or =; the export is no address of the timeline's.
    const auto thumbnail =
        readTimelineRequest("quillet://history/thumbnail?a=http%3A%2F%2Fa.test%2F%3Fx%3D1%26y%3D2");
    EXPECT_EQ(thumbnail.kind, Kind::Thumbnail);
    EXPECT_EQ(thumbnail.addresses, (std::vector<std::string>{"http://a.test/?x=1&y=2"}));
    EXPECT_EQ(readTimelineRequest("quillet://history/export?a=http://b.test/").kind, Kind::Unknown);
    // Values that are not numbers or chips are left out; other pages are not the timeline's.
    const auto odd = readTimelineRequest("quillet://history/day?before=12x&c=256&c=-1&c=abc");
    EXPECT_FALSE(odd.before.has_value());
    EXPECT_EQ(odd.filter.chips, 0);
    EXPECT_EQ(readTimelineRequest("quillet://history/etc").kind, Kind::Unknown);
    EXPECT_EQ(readTimelineRequest("quillet://home/").kind, Kind::Unknown);
    EXPECT_EQ(readTimelineRequest("http://history/").kind, Kind::Unknown);
    // The pane's filter, as the timeline's address, reads back as it was.
    const HistoryFilter filter{"朝 ニュース&x=1",
                               chipBit(ColourChip::Red) | chipBit(ColourChip::Black)};
    const auto back = readTimelineRequest(timelineAddress(filter));
    EXPECT_EQ(back.filter.typed, filter.typed);
    EXPECT_EQ(back.filter.chips, filter.chips);
    EXPECT_EQ(timelineAddress({}), "quillet://history/");
    EXPECT_TRUE(isTimelineAddress("quillet://history/?q=a"));
    EXPECT_FALSE(isTimelineAddress("quillet://home/"));
}

TEST(TimelinePage, EscapesWhatTheHistoryHoldsAndNamesEachPicture) {
    const TimeZone tokyo("Asia/Tokyo");
    const StoredTime day = *parseLocalDate("2026-12-08");
    const std::string section = timelineDay(
        day, {page("http://a.test/\"><script>x()</script>", "<b>見出し</b> & 'x'", day + 9 * 3600),
              page("http://b.test/", "サインイン", day + 8 * 3600 + 1800, false)});
    EXPECT_EQ(section.find("<script>"), std::string::npos);
    EXPECT_EQ(section.find("<b>"), std::string::npos);
    EXPECT_NE(section.find("alt=\"&lt;b&gt;見出し&lt;/b&gt; &amp; &#39;x&#39; 9:00\""),
              std::string::npos)
        << section;
    EXPECT_NE(section.find("href=\"http://a.test/&quot;&gt;&lt;script&gt;"), std::string::npos);
    // The picture's address carries the page's address escaped for a query.
    EXPECT_NE(section.find("src=\"quillet://history/thumbnail?a=http%3A%2F%2Fa.test%2F%22%3E"),
              std::string::npos);
    // A page kept without its content has no picture to fetch, only its name.
    EXPECT_NE(section.find("role=\"img\" aria-label=\"サインイン 8:30\""), std::string::npos);
    EXPECT_EQ(section.find("thumbnail?a=http%3A%2F%2Fb.test"), std::string::npos);
    EXPECT_NE(section.find("2026年12月8日 (火)"), std::string::npos);
    EXPECT_EQ(timelineDay(day, {}), "");

    const std::string whole =
        timelinePage({.kind = TimelineRequest::Kind::Page, .filter = {"\"><x>", 0}}, 0, {});
    EXPECT_NE(whole.find("一致するページはありません"), std::string::npos);
    EXPECT_NE(whole.find("value=\"&quot;&gt;&lt;x&gt;\""), std::string::npos);
    EXPECT_NE(timelinePage({}, 0, {}).find("履歴はありません"), std::string::npos);
    // The span date words were read as, under the field; none without date words.
    const TimelineRequest yesterday{.kind = TimelineRequest::Kind::Page, .filter = {"昨日 <x>", 0}};
    EXPECT_NE(timelinePage(yesterday, 0, {}, "12月9日 (水) <x>")
                  .find("<p id=\"span\">12月9日 (水) &lt;x&gt;</p>"),
              std::string::npos);
    EXPECT_EQ(whole.find("id=\"span\""), std::string::npos);
}

// A kept address the view would not open as a page (a crafted file's) is text, never a link.
TEST(TimelinePage, LinksOnlyToPagesTheViewOpens) {
    const StoredTime day = *parseLocalDate("2026-12-08");
    const std::string section = timelineDay(
        day, {page("javascript:alert(document.cookie)", "J", day + 3600),
              page("data:text/html,<script>x()</script>", "D", day + 3600),
              page("quillet://history/", "T", day + 3600), page("https://a.test/", "A", day + 3600),
              page("quillet://home/", "H", day + 3600)});
    EXPECT_EQ(section.find("href=\"javascript:"), std::string::npos);
    EXPECT_EQ(section.find("href=\"data:"), std::string::npos);
    EXPECT_EQ(section.find("href=\"quillet://history"), std::string::npos);
    EXPECT_NE(section.find("href=\"https://a.test/\""), std::string::npos);
    EXPECT_NE(section.find("href=\"quillet://home/\""), std::string::npos);
    // Only a web page has a saved copy to open, and the link names the visit's time.
    EXPECT_NE(
        section.find("class=\"saved\" href=\"quillet://saved/?a=https%3A%2F%2Fa.test%2F&amp;t=" +
                     std::to_string(day + 3600) + "\""),
        std::string::npos)
        << section;
    EXPECT_EQ(section.find("class=\"saved\""), section.rfind("class=\"saved\""));
    EXPECT_EQ(
        timelineDay(day, {page("https://a.test/", "A", day + 3600, false)}).find("class=\"saved\""),
        std::string::npos)
        << "a page kept without its content has no copy";
    // The others are still there, by name, to tick and export.
    EXPECT_NE(section.find("data-address=\"javascript:alert(document.cookie)\""),
              std::string::npos);
}

// A saved copy's address names the page and the visit's time and reads back as it was; an
// address that does not name both is none.
TEST(SavedPageAddress, ReadsBackThePageAndTimeItNames) {
    const TimeZone tokyo("Asia/Tokyo");
    const std::string page = "http://a.test/?x=1&t=2#設定";
    const StoredTime time = *parseLocalDate("2026-12-08") + 14 * 3600 + 3 * 60;
    const std::string address = savedPageAddress(page, time);
    EXPECT_TRUE(address.starts_with("quillet://saved/?a=http%3A%2F%2Fa.test")) << address;
    const auto asked = readSavedPageAddress(address);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->address, page);
    EXPECT_EQ(asked->time, time);
    for (const char* wrong :
         {"quillet://saved/", "quillet://saved/?a=http%3A%2F%2Fa.test%2F", "quillet://saved/?t=5",
          "quillet://saved/?a=&t=5", "quillet://saved/?a=x&t=5x",
          "quillet://saved/?a=x&t=", "quillet://history/?a=x&t=5", "http://saved/?a=x&t=5"})
        EXPECT_FALSE(readSavedPageAddress(wrong)) << wrong;
    EXPECT_EQ(savedPageNotice(time), "2026年12月8日 14:03 に保存したページです");
}

// A long day comes in parts, each saying where the next begins.
TEST(TimelinePage, ALongDayComesInParts) {
    const TimeZone tokyo("Asia/Tokyo");
    const StoredTime day = *parseLocalDate("2026-12-08");
    std::vector<StoredEntry> pages;
    for (int i = 0; i < 130; ++i)
        pages.push_back(page("http://p.test/" + std::to_string(i), "p", day + 130 - i));
    const auto count = [](const std::string& html, const std::string& what) {
        std::size_t n = 0;
        for (auto at = html.find(what); at != std::string::npos; at = html.find(what, at + 1))
            ++n;
        return n;
    };
    const std::string first = timelineDay(day, pages);
    EXPECT_EQ(count(first, "<li><a "), kTilesAtOnce);
    EXPECT_NE(first.find("data-from=\"60\""), std::string::npos);
    EXPECT_NE(first.find("data-end=\"" + std::to_string(day + 24 * 3600) + "\""),
              std::string::npos);
    EXPECT_EQ(count(timelineTiles(pages, 60), "<li><a "), kTilesAtOnce);
    EXPECT_NE(timelineTiles(pages, 60).find("data-from=\"120\""), std::string::npos);
    const std::string last = timelineTiles(pages, 120);
    EXPECT_EQ(count(last, "<li><a "), 10U);
    EXPECT_EQ(last.find("data-from"), std::string::npos);
    EXPECT_EQ(readTimelineRequest("quillet://history/day?before=5&from=60").from, 60U);
    EXPECT_FALSE(readTimelineRequest("quillet://history/day?before=5&from=-1").from.has_value());
}
