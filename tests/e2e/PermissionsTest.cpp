// SPDX-License-Identifier: MIT
// Permission requests of pages: a question in Japanese naming the site, answers kept per site
// for the run, and a question closed or left behind counted as a denial.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>
#include <webkit2/webkit2.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// A page that asks with `script` as it loads and puts the outcome in its title.
Page askingPage(const std::string& script) {
    return LocalHttpServer::htmlPage("<!DOCTYPE html><title>asking</title><script>" + script +
                                     "</script>");
}

class PermissionQuestions : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/geo", askingPage("navigator.geolocation.getCurrentPosition("
                                      "() => document.title = 'geo: position', "
                                      "e => document.title = 'geo: ' + e.code)"));
        // Notifications are asked for on a click (a user's gesture), as sites must.
        server.add("/notify",
                   LocalHttpServer::htmlPage(
                       "<!DOCTYPE html><title>asking</title><style>html,body{margin:0;height:100%}"
                       "button{width:100%;height:100%}</style><button onclick=\"Notification."
                       "requestPermission().then(p => document.title = 'notify: ' + p)\">ask"
                       "</button>"));
        server.add("/call", askingPage("navigator.mediaDevices.getUserMedia({video: true, audio: "
                                       "true}).then(() => document.title = 'call: on', "
                                       "e => document.title = 'call: ' + e.name)"));
        server.add("/notify-state",
                   askingPage("navigator.permissions.query({name: 'notifications'})"
                              ".then(s => document.title = 'state: ' + s.state)"));
        server.add("/plain", LocalHttpServer::htmlPage("<title>plain</title>"));
        browser.waitForPageShown();
    }
    void open(const std::string& address) { browser->brwWebBrowser.Navigate(address); }
    void openAndClick(const std::string& address) {
        browser.navigateAndWait(address);
        clickWithPointer(browser->brwWebBrowser.Widget());
    }
    bool titleIs(const std::string& title) {
        return pumpUntil([&] { return browser->brwWebBrowser.LocationName() == title; }, 10s);
    }
    Gtk::MessageDialog* question() {
        pumpUntil([&] { return !browser->brwWebBrowser.PermissionQuestions().empty(); }, 10s);
        const auto open = browser->brwWebBrowser.PermissionQuestions();
        return open.empty() ? nullptr : open.front();
    }
    LocalHttpServer server;
    BrowserHarness browser;
};

} // namespace

TEST_F(PermissionQuestions, TheQuestionNamesTheSiteAndADenialClickedIsKeptForIt) {
    open(server.url("/geo"));
    Gtk::MessageDialog* asked = question();
    ASSERT_NE(asked, nullptr) << "no question";
    EXPECT_EQ(asked->property_text().get_value(),
              "http://127.0.0.1:" + std::to_string(server.port()) +
                  " が位置情報の利用を求めています。");
    EXPECT_EQ(asked->get_transient_for(), &browser.window());
    pumpUntil([&] { return asked->is_active(); }, 3s);
    clickWithPointer(*asked->get_widget_for_response(Gtk::RESPONSE_REJECT));
    EXPECT_TRUE(titleIs("geo: 1")) << browser->brwWebBrowser.LocationName(); // PERMISSION_DENIED

    // Asking again gets the same answer without a question.
    open(server.url("/geo"));
    EXPECT_TRUE(titleIs("geo: 1")) << browser->brwWebBrowser.LocationName();
    EXPECT_TRUE(browser->brwWebBrowser.PermissionQuestions().empty());
}

TEST_F(PermissionQuestions, AnswersHoldPerSiteAndAQuestionClosedOrLeftIsADenialNotAnAnswer) {
    openAndClick(server.url("/notify"));
    Gtk::MessageDialog* asked = question();
    ASSERT_NE(asked, nullptr) << "no question";
    EXPECT_NE(asked->property_text().get_value().find("が通知の表示を求めています。"),
              std::string::npos);
    asked->response(Gtk::RESPONSE_ACCEPT);
    EXPECT_TRUE(titleIs("notify: granted")) << browser->brwWebBrowser.LocationName();
    openAndClick(server.url("/notify"));
    EXPECT_TRUE(titleIs("notify: granted")) << browser->brwWebBrowser.LocationName();
    // The page can see the answer.
    open(server.url("/notify-state"));
    EXPECT_TRUE(titleIs("state: granted")) << browser->brwWebBrowser.LocationName();
    EXPECT_TRUE(browser->brwWebBrowser.PermissionQuestions().empty());

    // The same server under another name is another site: asked afresh.
    openAndClick(server.url("/notify", "localhost"));
    asked = question();
    ASSERT_NE(asked, nullptr) << "no question for the other site";
    EXPECT_EQ(asked->property_text().get_value().find("http://localhost:"), 0u);
    asked->close(); // the window's close button
    EXPECT_TRUE(titleIs("notify: denied")) << browser->brwWebBrowser.LocationName();

    // Closing was no answer: the next request asks again; leaving the page takes the
    // question away.
    openAndClick(server.url("/notify", "localhost"));
    ASSERT_NE(question(), nullptr) << "a closed question was kept as an answer";
    open(server.url("/plain"));
    EXPECT_TRUE(titleIs("plain")) << browser->brwWebBrowser.LocationName();
    EXPECT_TRUE(browser->brwWebBrowser.PermissionQuestions().empty());
}

TEST_F(PermissionQuestions, ACallAsksForCameraAndMicrophoneInOneQuestion) {
    // No camera or microphone here: WebKit's stand-in devices take their place.
    webkit_settings_set_enable_mock_capture_devices(
        webkit_web_view_get_settings(browser->brwWebBrowser.WebView()), TRUE);
    open(server.url("/call"));
    Gtk::MessageDialog* asked = question();
    ASSERT_NE(asked, nullptr) << "no question";
    EXPECT_NE(asked->property_text().get_value().find("がカメラとマイクの使用を求めています。"),
              std::string::npos);
    asked->response(Gtk::RESPONSE_ACCEPT);
    EXPECT_TRUE(titleIs("call: on")) << browser->brwWebBrowser.LocationName();
}
