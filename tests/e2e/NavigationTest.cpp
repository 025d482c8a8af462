// SPDX-License-Identifier: MIT
// Navigation and the load indicator with the real page view and pages from a local server.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <glibmm/miscutils.h>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

class Navigation : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/a", LocalHttpServer::solidPage("Page A", "#336699"));
        server.add("/b", LocalHttpServer::solidPage("Page B", "#993366"));
        server.add("/redirect", LocalHttpServer::redirectTo(server.url("/a")));
        Page slow = LocalHttpServer::solidPage("Slow page", "#669933");
        slow.delay = 3500ms;
        server.add("/slow", slow);
        browser.waitForPageShown();
    }

    Gdk::RGBA statusColour() {
        return browser->Label1.get_style_context()->get_color(Gtk::STATE_FLAG_NORMAL);
    }

    // Waits for the load to finish while noting the most marks the status line showed.
    std::size_t mostMarksWhileLoading() {
        std::size_t most = 0;
        EXPECT_TRUE(pumpUntil([&] {
            const std::string status = browser.statusText();
            std::size_t marks = 0;
            for (std::size_t at = status.find("■"); at != std::string::npos;
                 at = status.find("■", at + 1))
                ++marks;
            most = std::max(most, marks);
            if (marks > 0) {
                EXPECT_EQ(browser->get_title(), "Quillet 読み込み中...");
            }
            return !browser->timTimerEnabled();
        }));
        return most;
    }

    LocalHttpServer server;
    BrowserHarness browser;
};

// Records where the page view was sent and refuses to go there, so no address outside this
// machine is ever looked up.
struct BlockedNavigation {
    explicit BlockedNavigation(WebKitWebView* view) : view(view) {
        handler = g_signal_connect(
            view, "decide-policy",
            G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* d, WebKitPolicyDecisionType t,
                           gpointer self) -> gboolean {
                if (t != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION)
                    return FALSE;
                auto* action = webkit_navigation_policy_decision_get_navigation_action(
                    WEBKIT_NAVIGATION_POLICY_DECISION(d));
                static_cast<BlockedNavigation*>(self)->uri =
                    webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
                webkit_policy_decision_ignore(d);
                return TRUE;
            }),
            this);
    }
    ~BlockedNavigation() { g_signal_handler_disconnect(view, handler); }
    WebKitWebView* view;
    gulong handler;
    std::string uri;
};

} // namespace

TEST_F(Navigation, EnterVisitsTheTypedAddressAndTheIndicatorReportsIt) {
    browser.typeAddress(server.url("/a"));
    browser.pressKeyInAddressBox(kKeyEnter);
    EXPECT_TRUE(browser->brwWebBrowser.Widget().has_focus());
    ASSERT_TRUE(pumpUntil([&] { return browser->timTimerEnabled(); }));
    EXPECT_EQ(browser.statusText(), "");
    EXPECT_EQ(statusColour(), Gdk::RGBA("#2FC26C"));

    EXPECT_EQ(mostMarksWhileLoading(), 0u); // a fast page shows no mark
    EXPECT_EQ(browser->get_title(), "Quillet Page A");
    EXPECT_EQ(browser.statusText(), "ページが表示されました");
    EXPECT_EQ(statusColour(), Gdk::RGBA("#000000"));
    EXPECT_EQ(browser.addressText(), server.url("/a"));
    EXPECT_EQ(server.requestCount("/a"), 1);
}

TEST_F(Navigation, ALoadOfThreeAndAHalfSecondsShowsThreeMarks) {
    browser.typeAddress(server.url("/slow"));
    browser->Image2.clicked();
    ASSERT_TRUE(pumpUntil([&] { return browser->timTimerEnabled(); }));
    EXPECT_EQ(mostMarksWhileLoading(), 3u);
    EXPECT_EQ(browser->get_title(), "Quillet Slow page");
    EXPECT_EQ(browser.statusText(), "ページが表示されました");
}

TEST_F(Navigation, AfterARedirectTheAddressBoxHoldsTheFinalAddress) {
    browser.navigateAndWait(server.url("/redirect"));
    EXPECT_EQ(browser.addressText(), server.url("/a"));
    EXPECT_EQ(browser->get_title(), "Quillet Page A");
}

TEST_F(Navigation, EscapeDoesNotNavigateAndEnterDoesNotSearch) {
    browser.navigateAndWait(server.url("/a"));
    browser.typeAddress(server.url("/b"));
    browser.pressKeyInAddressBox(kKeyEscape);
    pumpFor(1500ms);
    EXPECT_EQ(server.requestCount("/b"), 0);
    EXPECT_FALSE(browser->timTimerEnabled());

    // Enter with a text that names a history entry navigates; it does not select the entry.
    browser.selectEntry(1);
    browser.navigateAndWait(server.url("/a"));
    EXPECT_EQ(*browser.selectedEntry(), 1);
    EXPECT_FALSE(browser.historyFocused());
    EXPECT_EQ(server.requestCount("/a"), 2);
}

TEST_F(Navigation, TheAddressIsPassedOnUnchanged) {
    BlockedNavigation blocked(browser->brwWebBrowser.WebView());
    browser.typeAddress(server.url("/a?q=%E3%81%82#top"));
    browser.pressKeyInAddressBox(kKeyEnter);
    pumpUntil([&] { return !blocked.uri.empty(); });
    EXPECT_EQ(blocked.uri, server.url("/a?q=%E3%81%82#top"));
}

TEST_F(Navigation, ToolbarBackForwardRefreshHomeAndStop) {
    const auto click = [&](int index) { browser->Image1.at(index)->clicked(); };
    browser.navigateAndWait(server.url("/a"));
    browser.navigateAndWait(server.url("/b"));
    browser.loadAndWait([&] { click(kToolbarBack); });
    EXPECT_EQ(browser.addressText(), server.url("/a"));
    browser.loadAndWait([&] { click(kToolbarForward); });
    EXPECT_EQ(browser.addressText(), server.url("/b"));
    const int requests = server.requestCount("/b");
    browser.loadAndWait([&] { click(kToolbarRefresh); });
    EXPECT_EQ(server.requestCount("/b"), requests + 1);
    browser.loadAndWait([&] { click(kToolbarHome); });
    EXPECT_EQ(browser.addressText(), kHomeAddress);
    EXPECT_EQ(browser->get_title(), "Quillet ホーム");

    // Stop during a slow load: the next tick finds the view idle and completes normally.
    browser.typeAddress(server.url("/slow"));
    browser.pressKeyInAddressBox(kKeyEnter);
    ASSERT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.Busy(); }));
    click(kToolbarStop);
    ASSERT_TRUE(pumpUntil([&] { return !browser->timTimerEnabled(); }, 3000ms));
    EXPECT_EQ(browser.statusText(), "ページが表示されました");
}

TEST_F(Navigation, BackWithNothingToGoBackToIsHarmless) {
    BrowserHarness fresh;
    fresh.waitForPageShown();
    const std::string before = fresh->brwWebBrowser.LocationURL();
    fresh->Image1.at(kToolbarBack)->clicked(); // a failure here would fail the test at the boundary
    fresh->Image1.at(kToolbarForward)->clicked();
    pumpFor(300ms);
    EXPECT_FALSE(fresh->timTimerEnabled());
    EXPECT_EQ(fresh->brwWebBrowser.LocationURL(), before);
}

TEST_F(Navigation, MakerPagesAreTheFixedAddresses) {
    BlockedNavigation blocked(browser->brwWebBrowser.WebView());
    browser->Image1.at(kToolbarSearch)->clicked();
    ASSERT_TRUE(pumpUntil([&] { return !blocked.uri.empty(); }));
    EXPECT_EQ(blocked.uri, std::string("http://") + kMakerHost + "/004/gear.shtml");
    blocked.uri.clear();
    // A real click on the version link.
    GdkEvent* release = gdk_event_new(GDK_BUTTON_RELEASE);
    release->button.window = GDK_WINDOW(g_object_ref(browser->Label7Link.get_window()->gobj()));
    release->button.button = 1;
    gtk_widget_event(GTK_WIDGET(browser->Label7Link.gobj()), release);
    gdk_event_free(release);
    ASSERT_TRUE(pumpUntil([&] { return !blocked.uri.empty(); }));
    EXPECT_EQ(blocked.uri, std::string("http://") + kMakerHost + "/004/");
}

TEST_F(Navigation, CookiesAreKeptInTheUsersDataFolder) {
    server.add("/cookie", LocalHttpServer::htmlPage(
                              "<title>Cookie</title><script>document.cookie = "
                              "'quillet_visit=remembered; max-age=3600; path=/'</script>"));
    browser.navigateAndWait(server.url("/cookie"));
    const std::string store =
        Glib::build_filename(Glib::get_user_data_dir(), "Quillet", "cookies.sqlite");
    EXPECT_TRUE(
        pumpUntil([&] { return readFile(store).find("quillet_visit") != std::string::npos; }, 10s));
}
