// SPDX-License-Identifier: MIT
// Each kept page as it was seen: real pages from the tests' server, saved by the engine as
// they showed, one version while their text stays the same and a new one when it changes;
// and none kept of what must never be (a withheld page, a page with a card number, a paused
// run, the home page).

#include "AddressRules.h"
#include "BrowserHarness.h"
#include "ClearHistoryDialog.h"
#include "HistorySavedPages.h"
#include "HistoryStore.h"
#include "LocalHttpServer.h"
#include "Retention.h"
#include "SavedPageAddress.h"
#include "TestSeal.h"
#include "TimelinePage.h"

#include <gtest/gtest.h>
#include <map>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kKeepOn = "history/keep";

// A page with its own style sheet and picture, and a script that adds to it as it loads: a
// copy holds the page as shown, after its scripts ran.
Page articlePage(const std::string& words) {
    return LocalHttpServer::htmlPage(
        "<!DOCTYPE html><html><head><meta charset='utf-8'><title>記事</title>"
        "<link rel='stylesheet' href='/site.css'></head><body><h1>ネットワークの設定</h1><p>" +
        words +
        "</p><img src='/logo.svg'><script>document.body.append('zqxscriptword')</script>"
        "</body></html>");
}

// A saved message's quoted-printable text read as one line: its soft line breaks taken out.
std::string unfolded(std::string message) {
    for (auto at = message.find("=\r\n"); at != std::string::npos; at = message.find("=\r\n", at))
        message.erase(at, 3);
    return message;
}

class SavedCopies : public ::testing::Test {
  protected:
    void SetUp() override {
        server.setCacheControl("no-cache");
        Page styleSheet = LocalHttpServer::htmlPage("body { color: rgb(51, 51, 51) }");
        styleSheet.contentType = "text/css";
        server.add("/site.css", styleSheet);
        Page logo = LocalHttpServer::htmlPage("<svg xmlns='http://www.w3.org/2000/svg' width='8' "
                                              "height='8'><rect width='8' height='8' "
                                              "fill='teal'/></svg>");
        logo.contentType = "image/svg+xml";
        server.add("/logo.svg", logo);
        server.add("/article", articlePage("zqxfirstword"));
        server.add("/other", articlePage("zqxotherword"));
    }
    std::string file(const TempFolder& folder) const {
        return folder.file("data/Quillet/history.sqlite");
    }

    LocalHttpServer server;
};

} // namespace

TEST_F(SavedCopies, AKeptPageIsSavedAsShownWithANewVersionOnlyWhenItsTextChanged) {
    TempFolder folder;
    std::string shownSummary;
    {
        BrowserHarness browser({{kKeepOn, "1"}}, std::chrono::system_clock::now, folder.path());
        browser.waitForPageShown();
        browser.navigateAndWait(server.url("/article"));
        browser.navigateAndWait(server.url("/other"));
        browser.navigateAndWait(server.url("/article")); // the same text again
        browser.waitUntilStored();
        server.add("/article", articlePage("zqxsecondword"));
        browser.navigateAndWait(server.url("/article"));
        browser.waitUntilStored();

        // 履歴を消去... says the space they take, and the space the user sets holds.
        browser.pane().showClearHistoryDialog();
        ClearHistoryDialog& dialog = *browser.pane().clearHistoryDialog();
        EXPECT_EQ(dialog.savedSpaceChoice.get_active_text(), "2 GB");
        ASSERT_TRUE(pumpUntil([&] { return !dialog.savedSummaryText().empty(); }));
        shownSummary = dialog.savedSummaryText();
        saveScreenshot(dialog, "clear-history-dialog-saved-pages");
        dialog.savedSpaceChoice.set_active(0);
        EXPECT_EQ(browser.setting("history/saved_space"), "500mb");
    }
    HistoryStore store(file(folder), keyringSeal());
    EXPECT_EQ(store.visitsOf(server.url("/article")).size(), 3u);
    const auto versions = store.savedVersions(server.url("/article"));
    ASSERT_EQ(versions.size(), 2u);
    const std::string first = unfolded(store.savedCopy(versions[0].id).value_or(""));
    const std::string second = unfolded(store.savedCopy(versions[1].id).value_or(""));
    EXPECT_NE(first.find("zqxfirstword"), std::string::npos) << first.substr(0, 2000);
    EXPECT_NE(first.find("zqxscriptword"), std::string::npos) << "not as shown, after its script";
    EXPECT_EQ(first.find("zqxsecondword"), std::string::npos);
    EXPECT_NE(second.find("zqxsecondword"), std::string::npos);
    // Its style sheet and picture are in the copy, under the addresses they came from.
    for (const std::string& copy : {first, second}) {
        EXPECT_NE(copy.find("Content-Location: " + server.url("/site.css")), std::string::npos);
        EXPECT_NE(copy.find("Content-Location: " + server.url("/logo.svg")), std::string::npos);
    }
    EXPECT_NE(store.savedCopyText(versions[1].id).value_or("").find("zqxsecondword"),
              std::string::npos);
    EXPECT_EQ(store.savedVersions(server.url("/other")).size(), 1u);
    EXPECT_GT(store.savedCopiesSize(), 0);
    EXPECT_EQ(shownSummary, savedCopiesSummary(store.savedCopiesSize()));
}

TEST_F(SavedCopies, NothingIsSavedOfAWithheldPageACardNumberAPausedRunOrTheHomePage) {
    server.add("/sign-in", LocalHttpServer::htmlPage(
                               "<title>sign in</title><form><input type='password'></form>"));
    server.add("/card", LocalHttpServer::htmlPage(
                            "<title>card</title><p>カード番号 4111 1111 1111 1111 で払う</p>"));
    TempFolder folder;
    {
        BrowserHarness browser({{kKeepOn, "1"}}, std::chrono::system_clock::now, folder.path());
        browser.waitForPageShown();
        browser.navigateAndWait(server.url("/sign-in"));
        browser.navigateAndWait(server.url("/card"));
        browser.pane().setPaused(true);
        browser.navigateAndWait(server.url("/other"));
        browser.pane().setPaused(false);
        browser.navigateAndWait(server.url("/article"));
        browser.waitUntilStored();
    }
    HistoryStore store(file(folder), keyringSeal());
    EXPECT_EQ(store.visitsOf(server.url("/sign-in")).size(), 1u);
    EXPECT_TRUE(store.savedVersions(server.url("/sign-in")).empty());
    EXPECT_EQ(store.visitsOf(server.url("/card")).size(), 1u);
    EXPECT_TRUE(store.savedVersions(server.url("/card")).empty());
    EXPECT_TRUE(store.visitsOf(server.url("/other")).empty()); // paused: not kept at all
    EXPECT_TRUE(store.savedVersions(kHomeAddress).empty());
    // What was kept is that of the article alone.
    ASSERT_EQ(store.savedVersions(server.url("/article")).size(), 1u);
    const auto version = store.savedVersions(server.url("/article"))[0];
    EXPECT_GT(store.savedCopiesSize(), 0);
    EXPECT_NE(unfolded(store.savedCopy(version.id).value_or("")).find("zqxfirstword"),
              std::string::npos);
}

namespace {

// A page that does all a page can to reach out again once it is shown from its copy: a
// refresh to another address, a form, a frame that was never loaded (lazy) and a frame that was
// (saved with it), a script that asks the server, and a link to Quillet's own timeline.
Page reachingOutPage(const std::string& words) {
    return LocalHttpServer::htmlPage(
        "<!DOCTYPE html><html><head><meta charset='utf-8'><title>記事</title>"
        "<meta http-equiv='refresh' content='4; url=/refreshed'>"
        "<link rel='stylesheet' href='/site.css'></head><body><h1>ネットワークの設定</h1><p>" +
        words +
        "</p><img src='/logo.svg'><iframe src='/frame'></iframe>"
        "<iframe loading='lazy' src='/lazy' style='margin-top:4000px'></iframe>"
        "<form action='/sent'><input name=q value=1><button id=send>送信</button></form>"
        "<a id=timeline href='quillet://history/?q=zqx'>timeline</a>"
        "<script>fetch('/fromscript'); document.body.append('zqxscriptword')</script>"
        "</body></html>");
}

} // namespace

// Opened from the pane's menu, a kept page shows as its visit saw it, from the kept bytes
// alone: nothing is asked of the server, no script runs, its refresh, form and frames go
// nowhere, and no visit is added. The strip says when it was saved and opens the page as it
// is now; the older version is there too.
TEST_F(SavedCopies, AKeptPageReopensAsItWasSeenAndAsksTheSiteForNothing) {
    server.add("/article", reachingOutPage("zqxfirstword"));
    server.add("/frame", LocalHttpServer::htmlPage("<p>zqxframeword</p>"));
    server.add("/lazy", LocalHttpServer::htmlPage("<p>lazy</p>"));
    TempFolder folder;
    BrowserHarness browser({{kKeepOn, "1"}}, std::chrono::system_clock::now, folder.path());
    browser.waitForPageShown();
    browser.navigateAndWait(server.url("/article"));
    browser.navigateAndWait(server.url("/other")); // before the refresh comes
    browser.waitUntilStored();
    server.add("/article", reachingOutPage("zqxsecondword"));
    browser.navigateAndWait(server.url("/article"));
    browser.navigateAndWait(server.url("/other"));
    browser.waitUntilStored();

    const int entries = browser.entryCount();
    const std::size_t visits =
        HistoryStore(file(folder), keyringSeal()).visitsOf(server.url("/article")).size();
    std::map<std::string, int> asked;
    const char* paths[] = {"/article", "/site.css",  "/logo.svg",   "/frame", "/lazy",
                           "/sent",    "/refreshed", "/fromscript", "/other"};
    for (const char* path : paths)
        asked[path] = server.requestCount(path);

    // The older version, from the pane's menu opened from the keyboard.
    ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
    browser.selectEntry(server.url("/article"));
    browser.focusHistory();
    pressKeys("shift+F10");
    HistoryPane& pane = browser.pane();
    ASSERT_TRUE(pumpUntil([&] { return pane.savedVersionsMenu.get_children().size() == 2; }));
    EXPECT_TRUE(pane.openSavedItem.get_sensitive());
    auto* oldest = dynamic_cast<Gtk::MenuItem*>(pane.savedVersionsMenu.get_children().back());
    ASSERT_NE(oldest, nullptr);
    pressKeys("Escape");
    oldest->activate();
    ASSERT_TRUE(pumpUntil([&] {
        return isSavedCopyAddress(browser->brwWebBrowser.LocationURL()) &&
               !browser->brwWebBrowser.Busy();
    })) << browser->brwWebBrowser.LocationURL();
    const std::string text = browser.pageScript("document.body.innerText");
    EXPECT_NE(text.find("zqxfirstword"), std::string::npos) << text;
    EXPECT_EQ(text.find("zqxsecondword"), std::string::npos);
    // As shown: its script's word once (it ran when the page was visited, not again).
    EXPECT_EQ(text.find("zqxscriptword"), text.rfind("zqxscriptword"));
    // Its frame, of the site's origin, shows as it was: from the copy (the server counts below).
    saveScreenshot(browser.window(), "saved-page");
    EXPECT_TRUE(browser->savedPageStrip.get_visible());
    EXPECT_TRUE(
        std::string(browser->savedPageStrip.text().get_text()).ends_with(" に保存したページです"));

    // The user sends its form and scrolls to its lazy frame; its refresh comes due.
    browser->brwWebBrowser.Widget().grab_focus();
    ASSERT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.Widget().has_focus(); }));
    browser.pageScript("document.getElementById('send').focus()");
    pressKeys("Return");
    browser.pageScript("scrollTo(0, document.body.scrollHeight)");
    pumpFor(5s);
    EXPECT_TRUE(isSavedCopyAddress(browser->brwWebBrowser.LocationURL()))
        << browser->brwWebBrowser.LocationURL();
    for (const char* path : paths)
        EXPECT_EQ(server.requestCount(path), asked[path]) << path;
    // A link of the page's to Quillet's own pages goes nowhere, even clicked.
    browser.pageScript("document.getElementById('timeline').focus()");
    pressKeys("Return");
    pumpFor(1s);
    EXPECT_FALSE(isTimelineAddress(browser->brwWebBrowser.LocationURL()));

    EXPECT_EQ(browser.entryCount(), entries);
    browser.waitUntilStored();
    EXPECT_EQ(HistoryStore(file(folder), keyringSeal()).visitsOf(server.url("/article")).size(),
              visits);

    // 最新のページを開く: the page as it is now, from the site.
    EXPECT_EQ(browser->savedPageStrip.button().get_label(), kOpenLatestButton);
    browser.loadAndWait([&] { browser->savedPageStrip.button().clicked(); });
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/article"));
    EXPECT_NE(browser.pageScript("document.body.innerText").find("zqxsecondword"),
              std::string::npos);
    EXPECT_FALSE(browser->savedPageStrip.get_visible());

    // 保存したページを開く: the version the entry's last visit saw.
    browser.navigateAndWait(server.url("/other"));
    browser.selectEntry(server.url("/article"));
    browser.loadAndWait([&] { pane.actions()->activate_action("open-saved"); });
    EXPECT_TRUE(isSavedCopyAddress(browser->brwWebBrowser.LocationURL()));
    EXPECT_NE(browser.pageScript("document.body.innerText").find("zqxsecondword"),
              std::string::npos);

    // The timeline's tile opens the copy its visit saw, from the keyboard too.
    browser.navigateAndWait(kTimelineAddress);
    ASSERT_TRUE(pumpUntil(
        [&] { return browser.pageScript("document.querySelectorAll('a.saved').length") != "0"; }));
    saveScreenshot(browser.window(), "timeline-saved-link");
    browser->brwWebBrowser.Widget().grab_focus();
    browser.pageScript("document.querySelector('a.saved[href*=\"article\"]').focus()");
    browser.loadAndWait([] { pressKeys("Return"); });
    EXPECT_TRUE(isSavedCopyAddress(browser->brwWebBrowser.LocationURL()))
        << browser->brwWebBrowser.LocationURL();
    EXPECT_NE(browser.pageScript("document.body.innerText").find("zqxsecondword"),
              std::string::npos);
}

// A kept page whose text changed since its last version says so over the page; 変更を見る
// shows the two versions as one text, what was added and removed marked, from the kept
// history alone. An unchanged revisit, and a first visit, say nothing.
TEST_F(SavedCopies, AChangedPageSaysSinceWhenAndShowsWhatChanged) {
    TempFolder folder;
    BrowserHarness browser({{kKeepOn, "1"}}, std::chrono::system_clock::now, folder.path());
    browser.waitForPageShown();
    browser.navigateAndWait(server.url("/article"));
    browser.waitUntilStored();
    EXPECT_FALSE(browser->savedPageStrip.get_visible()) << "a first visit";
    browser.navigateAndWait(server.url("/other"));
    browser.navigateAndWait(server.url("/article"));
    browser.waitUntilStored();
    pumpFor(300ms);
    EXPECT_FALSE(browser->savedPageStrip.get_visible()) << "the same text again";

    server.add("/article", articlePage("zqxsecondword"));
    browser.navigateAndWait(server.url("/article"));
    ASSERT_TRUE(pumpUntil([&] { return browser->savedPageStrip.get_visible(); }));
    const auto first =
        HistoryStore(file(folder), keyringSeal()).savedVersions(server.url("/article"));
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(browser->savedPageStrip.text().get_text(),
              changedSinceNotice(first[0].saved, first[1].saved));
    EXPECT_EQ(browser->savedPageStrip.button().get_label(), kShowChangesButton);
    saveScreenshot(browser.window(), "page-changed");

    // From the keyboard: Tab from the address box reaches the strip's button before the page.
    const int asked = server.requestCount("/article");
    pressKeys("ctrl+l Tab");
    ASSERT_TRUE(pumpUntil([&] { return browser->savedPageStrip.button().has_focus(); }))
        << (browser->get_focus() ? G_OBJECT_TYPE_NAME(browser->get_focus()->gobj()) : "none");
    browser.loadAndWait([] { pressKeys("Return"); });
    EXPECT_TRUE(isSavedCopyAddress(browser->brwWebBrowser.LocationURL()));
    EXPECT_FALSE(browser->savedPageStrip.get_visible());
    EXPECT_EQ(
        browser.pageScript("[...document.querySelectorAll('del')].map(e => e.innerText).join()"),
        "削除した文字,zqxfirstword");
    EXPECT_EQ(
        browser.pageScript("[...document.querySelectorAll('ins')].map(e => e.innerText).join()"),
        "追加した文字,zqxsecondword");
    EXPECT_NE(browser.pageScript("document.body.innerText").find("ネットワークの設定"),
              std::string::npos);
    saveScreenshot(browser.window(), "page-changes");
    EXPECT_EQ(server.requestCount("/article"), asked);
    // The view showing what changed is no page of the history.
    browser.waitUntilStored();
    EXPECT_EQ(HistoryStore(file(folder), keyringSeal()).visitsOf(server.url("/article")).size(),
              3u);
}
