// SPDX-License-Identifier: MIT
// Finding pages by how they looked, and the timeline of the kept history, with real pages and
// real keys: 似たページを探す orders pages by their look, a colour chip narrows the matches, and
// quillet://history/ shows the kept days, opens a page by Enter and is never itself kept.

#include "BrowserHarness.h"
#include "Form2.h"
#include "HistoryFile.h"
#include "HistoryStore.h"
#include "LocalHttpServer.h"
#include "ProgramRuns.h"
#include "TestSeal.h"
#include "ThumbnailCodec.h"
#include "TimelineDays.h"
#include "TimelinePage.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kKeepOn = "history/keep";

// A page of a known look: a band of `band` over the top quarter, rows of a dark table on the
// left or the right, on `background`; and its words.
Page lookPage(const std::string& title, const std::string& band, const std::string& background,
              const std::string& side, const std::string& words) {
    std::string rows;
    for (int i = 0; i < 12; ++i)
        rows += "<div style='height:14px;margin:10px 0;background:#202020'></div>";
    return LocalHttpServer::htmlPage(
        "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + title +
        "</title><style>html,body{margin:0;height:100%;background:" + background +
        "}</style></head><body><div style='height:25vh;background:" + band +
        "'></div><div style='float:" + side + ";width:45%;margin:20px'>" + rows + "</div><p>" +
        words + "</p></body></html>");
}

std::vector<std::string> matchAddresses(BrowserHarness& browser) {
    std::vector<std::string> addresses;
    for (const auto& match : browser.matches())
        addresses.push_back(match.address);
    return addresses;
}

} // namespace

// Three pages of known looks: the same layout in other words, and a page of another colour
// and layout. From the first, the one of the same layout comes next, the other last; the red
// chip narrows to the red page, and with a word to the red page that says it.
TEST(LookSearch, SimilarPagesComeNearestFirstAndAChipNarrowsTheMatches) {
    LocalHttpServer server;
    server.setCacheControl("no-cache");
    server.add("/table", lookPage("Table", "#1E5AC8", "#FFFFFF", "left", "settings table"));
    server.add("/table-too", lookPage("Table too", "#1E5AC8", "#FFFFFF", "left", "other words"));
    server.add("/red", lookPage("Red", "#D02020", "#E84040", "right", "settings red"));
    server.add("/red-quiet", lookPage("Red quiet", "#D02020", "#E84040", "right", "nothing"));
    BrowserHarness browser(StoredSettings{{kKeepOn, "1"}});
    for (const char* path : {"/table", "/red", "/red-quiet", "/table-too"})
        browser.navigateAndWait(server.url(path));
    browser.waitUntilStored();

    ASSERT_NO_FATAL_FAILURE(browser.focusPaneAsUser());
    const float listTop = browser->placedListView->top();
    browser.selectEntry(server.url("/table"));
    pressKeys("ctrl+Return");
    ASSERT_TRUE(
        pumpUntil([&] { return browser.showingMatches() && browser.matches().size() == 4; }));
    EXPECT_TRUE(browser.pane().showingSimilarPages());
    const auto similar = matchAddresses(browser);
    EXPECT_EQ(similar[0], server.url("/table"));
    EXPECT_EQ(similar[1], server.url("/table-too"));
    EXPECT_EQ(browser.pane().selectedAddress(), server.url("/table"));
    saveScreenshot(browser.window(), "similar-pages");
    // The list stands below the chips while they show, however often the window is laid out.
    EXPECT_EQ(browser->placedListView->top(), listTop + 270);
    browser.resizeTo(9000, 7000);
    browser.resizeTo(9600, 7200);
    EXPECT_EQ(browser->placedListView->top(), listTop + 270);

    // Escape gives the whole list back, the picked page still selected.
    pressKeys("Escape");
    ASSERT_TRUE(pumpUntil([&] { return !browser.showingMatches(); }, 3s));
    EXPECT_EQ(browser.selectedEntry(), browser.positionOf(server.url("/table")));
    EXPECT_EQ(browser->placedListView->top(), listTop);

    // The same from the menu's item, on a page of the other look.
    browser.selectEntry(server.url("/red"));
    browser.pane().similarPagesItem.activate();
    ASSERT_TRUE(pumpUntil([&] {
        return browser.matches().size() == 4 && browser.matches()[0].address == server.url("/red");
    }));
    EXPECT_EQ(browser.matches()[1].address, server.url("/red-quiet"));

    // The red chip: the red pages only; with a word typed, the red one that says it.
    Gtk::ToggleButton& red = browser.pane().colourChips[static_cast<int>(ColourChip::Red)];
    EXPECT_EQ(std::string(atk_object_get_name(red.get_accessible()->gobj())), "赤");
    if (onWayland())
        red.set_active(true);
    else
        clickWithPointer(red);
    ASSERT_TRUE(pumpUntil(
        [&] { return !browser.pane().showingSimilarPages() && browser.matches().size() == 2; }));
    EXPECT_EQ(matchAddresses(browser),
              (std::vector<std::string>{server.url("/red-quiet"), server.url("/red")}));
    browser.pane().historySearch.grab_focus();
    typeText("settings");
    ASSERT_TRUE(pumpUntil([&] { return browser.matches().size() == 1; }));
    EXPECT_EQ(browser.matches()[0].address, server.url("/red"));
    red.set_active(false);
    ASSERT_TRUE(pumpUntil([&] { return browser.matches().size() == 2; }));
    EXPECT_EQ(matchAddresses(browser),
              (std::vector<std::string>{server.url("/red"), server.url("/table")}));
    // A chip picked when the search closed narrows the list again when it opens.
    browser.pane().historySearch.set_text("");
    red.set_active(true);
    browser.pane().closeSearch();
    browser.pane().openSearch();
    ASSERT_TRUE(
        pumpUntil([&] { return browser.showingMatches() && browser.matches().size() == 2; }));
}

// A kept history of two days, written beforehand: the timeline shows both, newest first, each
// picture named by its title and time; Enter on a picture opens its page; the timeline itself
// is never kept nor shown in the pane; its filter narrows the days.
// A page and its dark theme (the same page with its colours turned over, hues kept), among
// light pages of other layouts: 似たページを探す from the page finds its dark twin among the five
// nearest, and from the twin the page.
TEST(LookSearch, APagesDarkThemeIsFoundByItsLook) {
    LocalHttpServer server;
    server.setCacheControl("no-cache");
    const auto article = [](const std::string& title, const std::string& style) {
        std::string paragraphs;
        for (int i = 0; i < 14; ++i)
            paragraphs += "<p>" + std::string(static_cast<std::size_t>(30 + (i * 17) % 50), 'x') +
                          " 設定の説明</p>";
        return LocalHttpServer::htmlPage(
            "<!DOCTYPE html><html><head><meta charset='utf-8'><title>" + title +
            "</title><style>body{margin:0;background:#FFF;color:#222;font-size:15px}"
            "h1{background:#1E5AC8;color:#FFF;margin:0 0 12px;padding:24px}" +
            style + "</style></head><body><h1>記事</h1>" + paragraphs + "</body></html>");
    };
    server.add("/article", article("Article", ""));
    server.add("/article-dark",
               article("Article dark", "html{filter:invert(1) hue-rotate(180deg)}"));
    const std::vector<std::pair<std::string, Page>> others = {
        {"/a", lookPage("A", "#1E5AC8", "#FFFFFF", "right", "a")},
        {"/b", lookPage("B", "#2E7D32", "#FFFFFF", "left", "b")},
        {"/c", lookPage("C", "#D02020", "#FFFFFF", "left", "c")},
        {"/d", lookPage("D", "#FFFFFF", "#FFFFFF", "right", "d")},
        {"/e", lookPage("E", "#888888", "#F4F4F4", "left", "e")},
        {"/f", lookPage("F", "#1E5AC8", "#EEF2FA", "left", "f")},
        {"/g", lookPage("G", "#FFFFFF", "#FAFAFA", "left", "g")},
    };
    for (const auto& [path, page] : others)
        server.add(path, page);
    BrowserHarness browser(StoredSettings{{kKeepOn, "1"}});
    browser.navigateAndWait(server.url("/article"));
    for (const auto& [path, page] : others)
        browser.navigateAndWait(server.url(path));
    browser.navigateAndWait(server.url("/article-dark"));
    browser.waitUntilStored();

    ASSERT_NO_FATAL_FAILURE(browser.focusPaneAsUser());
    const auto fiveNearest = [&](const std::string& picked) {
        browser.selectEntry(server.url(picked));
        pressKeys("ctrl+Return");
        EXPECT_TRUE(pumpUntil([&] {
            return browser.pane().showingSimilarPages() && !browser.matches().empty() &&
                   browser.matches()[0].address == server.url(picked);
        }));
        auto nearest = matchAddresses(browser);
        nearest.resize(std::min<std::size_t>(nearest.size(), 6));
        pressKeys("Escape");
        EXPECT_TRUE(pumpUntil([&] { return !browser.showingMatches(); }, 3s));
        return std::vector<std::string>(nearest.begin() + 1, nearest.end());
    };
    const auto among = [](const std::vector<std::string>& nearest, const std::string& page) {
        return std::ranges::find(nearest, page) != nearest.end();
    };
    const auto fromLight = fiveNearest("/article");
    EXPECT_TRUE(among(fromLight, server.url("/article-dark"))) << testing::PrintToString(fromLight);
    const auto fromDark = fiveNearest("/article-dark");
    EXPECT_TRUE(among(fromDark, server.url("/article"))) << testing::PrintToString(fromDark);
}

TEST(Timeline, ShowsTheKeptDaysOpensAPageByEnterAndIsNeverKept) {
    LocalHttpServer server;
    server.setCacheControl("no-cache");
    server.add("/morning", LocalHttpServer::solidPage("朝の記事", "#2E7D32"));
    server.add("/evening", LocalHttpServer::solidPage("夜の記事", "#FFFFFF"));
    server.add("/today", LocalHttpServer::solidPage("今日の記事", "#1565C0"));
    TempFolder home;
    const StoredTime today = startOfLocalDay(toStoredTime(std::chrono::system_clock::now()));
    const StoredTime yesterday = startOfLocalDay(today - 12 * 60 * 60);
    {
        OpenedHistory opened = openKeptHistory(
            home.path() + "/data/Quillet", std::chrono::system_clock::now(), test::keyringSeal());
        const auto picture = [](guint32 colour) {
            auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 120, 90);
            pixbuf->fill(colour);
            return packThumbnail(pixbuf);
        };
        opened.store->store({server.url("/morning"), "朝の記事", yesterday + 9 * 3600 + 30 * 60,
                             picture(0x2E7D32FF), "朝刊のニュース"});
        opened.store->store({server.url("/evening"), "夜の記事", yesterday + 21 * 3600,
                             picture(0xFFFFFFFF), "夜のニュース"});
        opened.store->store(
            {server.url("/today"), "今日の記事", today + 60, picture(0x1565C0FF), "今日の話"});
    }
    {
        BrowserHarness browser({{kKeepOn, "1"}}, std::chrono::system_clock::now, home.path());
        browser.waitForPageShown();
        ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
        const int entriesBefore = browser.entryCount();
        browser.loadAndWait([] { pressKeys("ctrl+shift+h"); });
        EXPECT_EQ(browser->brwWebBrowser.LocationURL(), kTimelineAddress);
        ASSERT_TRUE(pumpUntil(
            [&] {
                return browser.pageScript("document.querySelectorAll('section.day').length") == "2";
            },
            10s));
        EXPECT_EQ(browser.pageScript("[...document.querySelectorAll('section.day h2')]"
                                     ".map(h => h.firstChild.textContent.trim()).join('|')"),
                  dayHeading(today) + "|" + dayHeading(yesterday));
        // (This run's home page is among today's pages too.)
        EXPECT_EQ(
            browser.pageScript("[...document.querySelectorAll('img.thumb')]"
                               ".map(i => i.alt).filter(a => !a.startsWith('ホーム')).join('|')"),
            "今日の記事 0:01|夜の記事 21:00|朝の記事 9:30");
        // Every picture came from the history as a PNG.
        ASSERT_TRUE(pumpUntil([&] {
            return browser.pageScript("[...document.querySelectorAll('img.thumb')]"
                                      ".every(i => i.complete && i.naturalWidth > 0)") == "true";
        })) << browser.pageScript("[...document.querySelectorAll('img.thumb')].map(i => "
                                  "i.naturalWidth).join(',')");
        saveScreenshot(browser.window(), "timeline");

        // Enter on the evening's picture opens its page.
        browser.pageScript("document.querySelector('ul.pages a[href$=\"/evening\"]').focus()");
        browser.loadAndWait([] { pressKeys("Return"); });
        EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/evening"));
        browser.waitUntilStored();
        for (int i = 1; i <= browser.entryCount(); ++i)
            EXPECT_FALSE(isTimelineAddress(browser.entry(i).text)) << browser.entry(i).text;
        EXPECT_EQ(browser.entryCount(), entriesBefore); // the evening's page was there already

        // The words and the chips narrow the days: only the morning's page says 朝刊 (朝 alone
        // would be this morning), and only the green one is green.
        browser.navigateAndWait(std::string(kTimelineAddress) + "?q=%E6%9C%9D%E5%88%8A");
        EXPECT_EQ(browser.pageScript(
                      "[...document.querySelectorAll('img.thumb')].map(i => i.alt).join('|')"),
                  "朝の記事 9:30");
        browser.navigateAndWait(timelineAddress({"ニュース", chipBit(ColourChip::Green)}));
        ASSERT_TRUE(pumpUntil([&] {
            return browser.pageScript("document.getElementById('more').textContent") ==
                   "これより前の履歴はありません";
        }));
        EXPECT_EQ(browser.pageScript(
                      "[...document.querySelectorAll('img.thumb')].map(i => i.alt).join('|')"),
                  "朝の記事 9:30");
        browser.waitUntilStored();
    }
    for (const StoredEntry& entry : readKeptHistory(home)->newest(10, false))
        EXPECT_FALSE(isTimelineAddress(entry.address)) << entry.address;
}

// The ticked pictures of the timeline go to the export dialog, as the pane's ticked entries do.
TEST(Timeline, ExportsThePagesTickedOnIt) {
    LocalHttpServer server;
    server.setCacheControl("no-cache");
    server.add("/one", LocalHttpServer::solidPage("一つ目", "#FFFFFF"));
    server.add("/two", LocalHttpServer::solidPage("二つ目", "#000000"));
    BrowserHarness browser(StoredSettings{{kKeepOn, "1"}});
    browser.navigateAndWait(server.url("/one"));
    browser.navigateAndWait(server.url("/two"));
    browser.waitUntilStored();
    browser.navigateAndWait(kTimelineAddress);
    // A box whose address and title were changed in the page names a page the timeline never
    // showed: it is passed over, and the titles are the history's own.
    browser.pageScript("const one = document.querySelector('input[data-address$=\"/one\"]');"
                       "one.dataset.title = 'forged'; one.click();"
                       "const two = document.querySelector('input[data-address$=\"/two\"]');"
                       "two.dataset.address = 'file:///etc/passwd'; two.click();"
                       "document.getElementById('export').click()");
    ASSERT_TRUE(pumpUntil([&] {
        return browser->timeline().exportDialog() &&
               browser->timeline().exportDialog()->get_visible();
    }));
    const ListItems& ticked = browser->timeline().entries();
    ASSERT_EQ(ticked.count(), 1);
    EXPECT_EQ(ticked.item(1).key, server.url("/one"));
    EXPECT_EQ(ticked.item(1).subItem1, "一つ目");
    EXPECT_TRUE(ticked.item(1).checked);
    browser->timeline().exportDialog()->hide();
}

// A day of more pages than the timeline sends at once comes whole, each page once.
TEST(Timeline, ALongDayComesWholeAndEachPageOnce) {
    TempFolder home;
    const StoredTime yesterday =
        startOfLocalDay(startOfLocalDay(toStoredTime(std::chrono::system_clock::now())) - 3600);
    {
        OpenedHistory opened = openKeptHistory(
            home.path() + "/data/Quillet", std::chrono::system_clock::now(), test::keyringSeal());
        auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 120, 90);
        pixbuf->fill(0x808080FF);
        const PackedImage picture = packThumbnail(pixbuf);
        for (int i = 0; i < 150; ++i)
            opened.store->store({"http://day.test/" + std::to_string(i), "頁 " + std::to_string(i),
                                 yesterday + 3600 + i * 60, picture, "本文"});
    }
    BrowserHarness browser(StoredSettings{{kKeepOn, "1"}}, std::chrono::system_clock::now,
                           home.path());
    browser.waitForPageShown();
    browser.navigateAndWait(kTimelineAddress);
    const std::string dayTiles =
        "document.querySelector('section.day[data-start=\"" + std::to_string(yesterday) + "\"]')";
    ASSERT_TRUE(pumpUntil([&] {
        return browser.pageScript(dayTiles + " && !" + dayTiles + ".querySelector('li.rest')") ==
               "true";
    }));
    EXPECT_EQ(browser.pageScript(dayTiles + ".querySelectorAll('ul.pages a:not(.saved)').length"),
              "150");
    EXPECT_EQ(
        browser.pageScript("new Set([..." + dayTiles +
                           ".querySelectorAll('ul.pages a:not(.saved)')].map(a => a.href)).size"),
        "150");
    // Newest first: the last page visited that day leads.
    EXPECT_EQ(browser.pageScript(dayTiles + ".querySelector('ul.pages a:not(.saved)').href"),
              "http://day.test/149");
}
