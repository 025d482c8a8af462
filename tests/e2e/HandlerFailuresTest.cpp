// SPDX-License-Identifier: MIT
// A handler that fails behind a WebKit callback is told to the user like any other handler's
// failure, and the window goes on.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace quillet;
using namespace quillet::test;

TEST(HandlerFailures, AFailingHandlerIsToldAndTheWindowGoesOn) {
    LocalHttpServer server;
    server.add("/a", LocalHttpServer::htmlPage("<title>A</title><p>a needle</p>"));
    server.add("/b", LocalHttpServer::htmlPage("<title>B</title><p>b</p>"));
    server.add("/report", LocalHttpServer::attachment("report.txt", "the report"));
    BrowserHarness browser;
    browser.waitForPageShown();
    ProgramReportsFailures reporting(browser.window());
    MessageBoxAnswerer answerer;
    browser.navigateAndWait(server.url("/a"));

    // Behind the find controller's callback.
    sigc::connection failing = browser->brwWebBrowser.signal_FoundMatches().connect(
        [](unsigned) { throw std::runtime_error("finding failed"); });
    browser->brwWebBrowser.FindText("needle");
    ASSERT_TRUE(pumpUntil([&] { return answerer.texts().size() == 1; }));
    EXPECT_EQ(answerer.texts().back(), "エラーが発生しました: finding failed");
    failing.disconnect();

    // Behind a download's callback.
    failing = browser->brwWebBrowser.Downloads().signal_finished().connect(
        [](PageDownloads::Id, const std::string&, const std::string&) {
            throw std::runtime_error("a download's end failed");
        });
    browser.navigateAndWait(server.url("/report"));
    ASSERT_TRUE(pumpUntil([&] { return answerer.texts().size() == 2; }));
    EXPECT_EQ(answerer.texts().back(), "エラーが発生しました: a download's end failed");
    failing.disconnect();

    // The window goes on: the next page loads and enters the history.
    browser.navigateAndWait(server.url("/b"));
    EXPECT_TRUE(browser.hasEntry(server.url("/b")));
    EXPECT_TRUE(browser->get_visible());
}
