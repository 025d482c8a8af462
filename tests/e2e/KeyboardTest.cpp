// SPDX-License-Identifier: MIT
// The keyboard as a user drives it, with real key events: Enter and Escape in the address box
// go to the input method first while it composes, and the browser's shortcuts work wherever
// the focus is.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/a", LocalHttpServer::htmlPage("<title>Page A</title><p>first page</p>"));
        server.add("/b", LocalHttpServer::htmlPage(
                             "<title>Page B</title><p>a needle, a Needle and a NEEDLE</p>"));
        browser.waitForPageShown();
        ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s))
            << "the window manager did not give the window the focus";
    }
    // Types into the address box as a user does: click it, replace what it holds.
    void typeAddress(const std::string& text) {
        clickWithPointer(browser->cboAddress);
        ASSERT_TRUE(pumpUntil([&] { return browser->cboAddress.has_focus(); }, 3s));
        pressKeys("ctrl+a BackSpace");
        typeText(text);
    }
    // GTK's own input method: Ctrl+Shift+U starts a character by its code, shown underlined
    // (the preedit) until Enter or Space confirms it and Escape cancels it.
    void startCharacterByCode(const std::string& hexDigits) {
        pressKeys("ctrl+shift+u");
        typeText(hexDigits);
    }
    bool pageIs(const std::string& address) {
        return pumpUntil([&] { return browser->brwWebBrowser.LocationURL() == address; }, 5s);
    }

    LocalHttpServer server;
    BrowserHarness browser;
};

} // namespace

TEST_F(Keyboard, EnterConfirmingAConversionDoesNotNavigateTheNextEnterDoes) {
    const std::string address = server.url("/a");
    typeAddress(address + "?q=");
    startCharacterByCode("3042");
    pressKeys("Return"); // confirms あ
    pumpFor(500ms);
    EXPECT_EQ(browser.addressText(), address + "?q=あ");
    EXPECT_FALSE(browser->timTimerEnabled());
    EXPECT_EQ(server.requestCount("/a"), 0);

    pressKeys("Return"); // nothing composing now: this one visits the address
    ASSERT_TRUE(pumpUntil([&] { return server.requestCount("/a") == 1; }, 5s));
    browser.waitForPageShown();
    EXPECT_EQ(browser.addressText(), address + "?q=%E3%81%82");
}

TEST_F(Keyboard, EscapeCancellingAConversionDoesNotSearchTheNextEscapeDoes) {
    browser.navigateAndWait(server.url("/a"));
    typeAddress("127.0.0.1");
    startCharacterByCode("30");
    pressKeys("Escape"); // cancels the character being composed
    pumpFor(300ms);
    EXPECT_TRUE(browser->cboAddress.has_focus());
    EXPECT_EQ(browser.addressText(), "127.0.0.1");

    pressKeys("Escape"); // a history search: the entry for /a is found and the pane focused
    ASSERT_TRUE(pumpUntil([&] { return browser.historyFocused(); }, 3s));
}

TEST_F(Keyboard, BackForwardReloadAndTheAddressBoxFromAnywhere) {
    browser.navigateAndWait(server.url("/a"));
    browser.navigateAndWait(server.url("/b"));
    clickWithPointer(browser->brwWebBrowser.Widget());

    pressKeys("alt+Left");
    EXPECT_TRUE(pageIs(server.url("/a")));
    pressKeys("alt+Right");
    EXPECT_TRUE(pageIs(server.url("/b")));
    const int before = server.requestCount("/b");
    pressKeys("F5");
    EXPECT_TRUE(pumpUntil([&] { return server.requestCount("/b") == before + 1; }, 5s));
    pressKeys("ctrl+r");
    EXPECT_TRUE(pumpUntil([&] { return server.requestCount("/b") == before + 2; }, 5s));
    browser.waitForPageShown();

    // The mouse's back button, over the page.
    clickWithPointer(browser->brwWebBrowser.Widget());
    ASSERT_EQ(std::system("xdotool click 8"), 0);
    EXPECT_TRUE(pageIs(server.url("/a")));

    // Ctrl+L and F6 put the focus in the address box with its text selected, from the page
    // view and from the history pane alike.
    for (const char* keys : {"ctrl+l", "F6"}) {
        browser.historyList().grab_focus();
        ASSERT_TRUE(pumpUntil([&] { return browser.historyFocused(); }));
        pressKeys(keys);
        EXPECT_TRUE(pumpUntil([&] { return browser->cboAddress.has_focus(); }, 2s)) << keys;
        int start = 0, end = 0;
        EXPECT_TRUE(browser->cboAddress.get_selection_bounds(start, end)) << keys;
        EXPECT_EQ(end - start, browser->cboAddress.get_text_length()) << keys;
    }
}

TEST_F(Keyboard, ZoomAndFindInThePageLeaveTheLayoutAlone) {
    browser.navigateAndWait(server.url("/b"));
    clickWithPointer(browser->brwWebBrowser.Widget());
    const float pageViewWidth = browser->placedPageView->width();
    const float paneLeft = browser->placedListView->left();

    pressKeys("ctrl+plus");
    EXPECT_GT(browser->brwWebBrowser.ZoomLevel(), 1.05);
    pressKeys("ctrl+0 ctrl+minus");
    EXPECT_LT(browser->brwWebBrowser.ZoomLevel(), 0.95);
    pressKeys("ctrl+0");
    EXPECT_DOUBLE_EQ(browser->brwWebBrowser.ZoomLevel(), 1.0);

    unsigned matches = 99;
    browser->brwWebBrowser.signal_FoundMatches().connect([&](unsigned n) { matches = n; });
    pressKeys("ctrl+f");
    typeText("needle");
    EXPECT_TRUE(pumpUntil([&] { return matches == 3; }, 3s)) << matches;
    pressKeys("Return shift+Return F3");
    typeText("x");
    EXPECT_TRUE(pumpUntil([&] { return matches == 0; }, 3s)) << "needlex is nowhere";
    pressKeys("Escape");
    EXPECT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.Widget().has_focus(); }, 2s));

    EXPECT_FLOAT_EQ(browser->placedPageView->width(), pageViewWidth);
    EXPECT_FLOAT_EQ(browser->placedListView->left(), paneLeft);
}
