// SPDX-License-Identifier: MIT
// Finding kept pages by when they were seen: date words in the pane's search (Ctrl+H, typed as
// real keys) and in the timeline's field, on a kept history of visits on set days, read on the
// tests' clock.

#include "BrowserHarness.h"
#include "HistoryFile.h"
#include "LocalHttpServer.h"
#include "TestSeal.h"
#include "TimelinePage.h"

#include <ctime>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// The tests' now: Thursday 10 December 2026, 15:30.
std::chrono::system_clock::time_point thursdayAfternoon() {
    return localTimeAt(2026, 12, 10, 15, 30);
}

class DateSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        struct Kept {
            const char* path;
            const char* title;
            const char* text;
            std::chrono::system_clock::time_point seen;
        };
        const Kept pages[] = {
            {"/last-year", "去年の一覧", "設定の一覧", localTimeAt(2025, 12, 20, 9, 0)},
            {"/weather", "天気", "天気予報", localTimeAt(2026, 11, 15, 12, 0)},
            {"/net-old", "古いネットワーク", "ネットワークの設定の旧版",
             localTimeAt(2026, 12, 1, 10, 0)},
            {"/net", "ネットワークの設定", "ネットワークの設定を変える",
             localTimeAt(2026, 12, 9, 14, 0)},
            {"/printer", "プリンタの設定", "プリンタの設定を変える",
             localTimeAt(2026, 12, 9, 20, 0)},
        };
        OpenedHistory opened =
            openKeptHistory(home.path() + "/data/Quillet", thursdayAfternoon(), keyringSeal());
        for (const Kept& page : pages) {
            server.add(page.path, LocalHttpServer::solidPage(page.title, "#FFFFFF"));
            opened.store->store(
                {server.url(page.path), page.title, toStoredTime(page.seen), {}, page.text});
        }
    }

    std::vector<std::string> matchTitles(BrowserHarness& browser) {
        std::vector<std::string> titles;
        for (const auto& match : browser.matches())
            titles.push_back(match.title);
        return titles;
    }

    // What the pane shows for `typed`: the titles of its matches, and the span under the field.
    std::pair<std::vector<std::string>, std::string> search(BrowserHarness& browser,
                                                            const std::string& typed) {
        browser.pane().historySearch.set_text(typed);
        browser.waitForHistoryAnswers();
        pumpFor(50ms);
        const Gtk::Label& span = browser.pane().searchSpan;
        return {matchTitles(browser), span.get_visible() ? span.get_text() : ""};
    }

    std::string timelineTiles(BrowserHarness& browser) {
        return browser.pageScript(
            "[...document.querySelectorAll('img.thumb')].map(i => i.alt).join('|')");
    }

    LocalHttpServer server;
    TempFolder home;
};

using Titles = std::vector<std::string>;
using Shown = std::pair<Titles, std::string>;

} // namespace

TEST_F(DateSearch, DateWordsNarrowThePanesMatchesToTheirSpanAndSayHowTheyWereRead) {
    BrowserHarness browser({{"history/keep", "1"}}, thursdayAfternoon, home.path());
    browser.waitForPageShown();
    ASSERT_NO_FATAL_FAILURE(browser.searchAsUser("昨日 設定", 2));
    // Each at its visit, the latest first; the span under the field, over the list.
    EXPECT_EQ(matchTitles(browser), (Titles{"プリンタの設定", "ネットワークの設定"}));
    EXPECT_EQ(browser.matches()[1].visitTime, "2026/12/09 14:00:00");
    const Gtk::Label& span = browser.pane().searchSpan;
    ASSERT_TRUE(span.get_visible());
    EXPECT_EQ(span.get_text(), "12月9日 (水)");
    const float listTop = browser->placedListView->top();
    saveScreenshot(browser.window(), "date-search");

    EXPECT_EQ(search(browser, "昨日の午後 設定"),
              (Shown{{"ネットワークの設定"}, "12月9日 (水) 12:00〜18:00"}));
    EXPECT_EQ(search(browser, "昨日の夜"),
              (Shown{{"プリンタの設定"}, "12月9日 (水) 18:00〜24:00"}));
    EXPECT_EQ(search(browser, "先週の火曜日"), (Shown{{"古いネットワーク"}, "12月1日 (火)"}));
    EXPECT_EQ(search(browser, "１２月１日 ネットワーク"),
              (Shown{{"古いネットワーク"}, "12月1日 (火)"}));
    EXPECT_EQ(search(browser, "ネットワーク 先週"),
              (Shown{{"古いネットワーク"}, "11月30日 (月)〜12月6日 (日)"}));
    EXPECT_EQ(search(browser, "先月"), (Shown{{"天気"}, "11月"}));
    EXPECT_EQ(search(browser, "去年の設定"), (Shown{{"去年の一覧"}, "2025年"}));
    EXPECT_EQ(search(browser, "三日前"), (Shown{{}, "12月7日 (月)"}));
    // Without date words, the words alone as ever, and the list back under the chips.
    EXPECT_EQ(search(browser, "ネットワーク"),
              (Shown{{"ネットワークの設定", "古いネットワーク"}, ""}));
    EXPECT_LT(browser->placedListView->top(), listTop);
    EXPECT_EQ(search(browser, "明日香"), (Shown{{}, ""}));
    pressKeys("Escape");
    ASSERT_TRUE(pumpUntil([&] { return !browser.pane().searchOpen(); }));
    EXPECT_FALSE(span.get_visible());
}

TEST_F(DateSearch, TheTimelineKeepsToTheSpanOfItsDateWords) {
    BrowserHarness browser({{"history/keep", "1"}}, thursdayAfternoon, home.path());
    browser.waitForPageShown();
    browser.navigateAndWait(timelineAddress({"昨日 設定"}));
    EXPECT_EQ(timelineTiles(browser), "プリンタの設定 20:00|ネットワークの設定 14:00");
    EXPECT_EQ(browser.pageScript("document.getElementById('span').textContent"), "12月9日 (水)");
    // No earlier day is fetched past the span.
    ASSERT_TRUE(pumpUntil([&] {
        return browser.pageScript("document.getElementById('more').textContent") ==
               "これより前の履歴はありません";
    }));
    EXPECT_EQ(timelineTiles(browser), "プリンタの設定 20:00|ネットワークの設定 14:00");

    // Typed into the timeline's own field with real keys.
    ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
    browser.pageScript("const q = document.querySelector('input[name=q]'); q.value = ''; "
                       "q.focus(); 'focused'");
    typeThroughInputMethod("先週の火曜日");
    browser.loadAndWait([] { pressKeys("Return"); });
    EXPECT_EQ(timelineTiles(browser), "古いネットワーク 10:00");
    EXPECT_EQ(browser.pageScript("document.getElementById('span').textContent"), "12月1日 (火)");
    EXPECT_EQ(browser.pageScript("document.querySelector('input[name=q]').value"), "先週の火曜日");
}
