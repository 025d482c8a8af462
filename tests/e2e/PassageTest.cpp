// SPDX-License-Identifier: MIT
// A page opened from a match of a word search opens at the words: scrolled to the first place
// that holds them, with them marked as the find field marks its matches, the find field left
// closed; from the pane (real keys) and from the timeline. A page that no longer holds the
// words opens at its top.

#include "BrowserHarness.h"
#include "HistoryFile.h"
#include "LocalHttpServer.h"
#include "TestSeal.h"
#include "TimelinePage.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// A long page whose one paragraph far below its top says `words`.
Page longPage(const std::string& title, const std::string& words) {
    std::string body;
    for (int i = 0; i < 300; ++i)
        body += "<p>段落 " + std::to_string(i) + " はほかの話です。</p>";
    return LocalHttpServer::htmlPage("<!DOCTYPE html><html><head><meta charset='utf-8'><title>" +
                                     title + "</title></head><body>" + body + "<p id='passage'>" +
                                     words + "</p>" + body + "</body></html>");
}

class Passage : public ::testing::Test {
  protected:
    void SetUp() override {
        server.setCacheControl("no-cache");
        server.add("/long", longPage("長いページ", "ここに zqxpassage の説明があります"));
        server.add("/changed", longPage("変わったページ", "もう別の話です"));
        // Kept when it still said zqxgone.
        OpenedHistory opened = openKeptHistory(home.path() + "/data/Quillet",
                                               std::chrono::system_clock::now(), keyringSeal());
        opened.store->store({server.url("/changed"),
                             "変わったページ",
                             toStoredTime(std::chrono::system_clock::now()) - 3600,
                             {},
                             "以前は zqxgone と書いてあった"});
    }

    double scrolled(BrowserHarness& browser) {
        return std::stod(browser.pageScript("window.scrollY"));
    }
    // Whether the passage's paragraph is within the view.
    bool passageInView(BrowserHarness& browser) {
        return browser.pageScript("(() => { const r = document.getElementById('passage')"
                                  ".getBoundingClientRect(); return r.top >= 0 && "
                                  "r.bottom <= innerHeight; })()") == "true";
    }

    LocalHttpServer server;
    TempFolder home;
};

} // namespace

TEST_F(Passage, AMatchOpensAtItsWordsMarkedAndAPageThatLostThemAtItsTop) {
    BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now, home.path());
    browser.waitForPageShown();
    browser.navigateAndWait(server.url("/long"));
    browser.waitUntilStored();
    unsigned marked = 0;
    browser->brwWebBrowser.signal_FoundMatches().connect([&](unsigned found) { marked = found; });

    // From the pane, with real keys: the search, the words, Enter.
    ASSERT_NO_FATAL_FAILURE(browser.focusPaneAsUser());
    pressKeys("ctrl+h");
    ASSERT_TRUE(pumpUntil([&] { return browser.pane().historySearch.has_focus(); }));
    typeText("zqxpassage");
    ASSERT_TRUE(pumpUntil([&] { return browser.matches().size() == 1; }));
    browser.loadAndWait([] { pressKeys("Return"); });
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/long"));
    ASSERT_TRUE(pumpUntil([&] { return marked == 1; })) << marked << " marked";
    ASSERT_TRUE(pumpUntil([&] { return passageInView(browser); }));
    EXPECT_GT(scrolled(browser), 2000);
    EXPECT_EQ(browser.pageScript("getSelection().toString()"), "zqxpassage");
    EXPECT_FALSE(browser->findBar.isOpen());
    saveScreenshot(browser.window(), "passage");

    // The kept text said zqxgone; the page no longer does: it opens at its top.
    marked = 99;
    browser.pane().historySearch.set_text("zqxgone");
    ASSERT_TRUE(pumpUntil([&] {
        return browser.matches().size() == 1 &&
               browser.matches()[0].address == server.url("/changed");
    }));
    browser.pane().historySearch.grab_focus();
    browser.loadAndWait([] { pressKeys("Return"); });
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/changed"));
    ASSERT_TRUE(pumpUntil([&] { return marked == 0; })) << marked;
    EXPECT_EQ(scrolled(browser), 0);

    // From the timeline's matches, Enter on the tile.
    pressKeys("Escape");
    browser.navigateAndWait(timelineAddress({"zqxpassage"}));
    marked = 0;
    browser->brwWebBrowser.SetFocus();
    browser.pageScript("document.querySelector('ul.pages a[href$=\"/long\"]').focus()");
    browser.loadAndWait([] { pressKeys("Return"); });
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/long"));
    ASSERT_TRUE(pumpUntil([&] { return marked == 1; })) << marked << " marked";
    ASSERT_TRUE(pumpUntil([&] { return passageInView(browser); }));

    // A page visited in the ordinary way opens at its top.
    browser.navigateAndWait(server.url("/changed"));
    browser.navigateAndWait(server.url("/long"));
    pumpFor(300ms);
    EXPECT_EQ(scrolled(browser), 0);
}
