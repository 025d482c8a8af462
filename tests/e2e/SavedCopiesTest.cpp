// SPDX-License-Identifier: MIT
// Each kept page as it was seen: real pages from the tests' server, saved by the engine as
// they showed, one version while their text stays the same and a new one when it changes;
// and none kept of what must never be (a withheld page, a page with a card number, a paused
// run, the home page).

#include "AddressRules.h"
#include "BrowserHarness.h"
#include "HistoryStore.h"
#include "LocalHttpServer.h"
#include "TestSeal.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

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
