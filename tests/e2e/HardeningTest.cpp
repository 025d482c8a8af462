// SPDX-License-Identifier: MIT
// Pages that fail, certificates that cannot be trusted and web processes that die never cost
// the user the window, the history or the check marks.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <csignal>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// Kills (SIGKILL) every web content process this test process has started.
int killWebProcesses() {
    int killed = 0;
    for (const auto& [pid, name] : descendantProcesses())
        if (name.starts_with("WebKitWebProces")) {
            kill(pid, SIGKILL);
            ++killed;
        }
    return killed;
}

int closedPort() {
    GSocket* socket =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr);
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* any = g_inet_socket_address_new(loopback, 0);
    g_socket_bind(socket, any, TRUE, nullptr);
    GSocketAddress* bound = g_socket_get_local_address(socket, nullptr);
    const int port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
    for (gpointer object : {static_cast<gpointer>(bound), static_cast<gpointer>(any),
                            static_cast<gpointer>(loopback), static_cast<gpointer>(socket)})
        g_object_unref(object);
    return port; // nothing listens there once the socket is gone
}

class Hardening : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/a", LocalHttpServer::solidPage("Page A", "#336699"));
        server.add("/b", LocalHttpServer::solidPage("Page B", "#993366"));
        Page slow = LocalHttpServer::solidPage("Slow", "#669933");
        slow.delay = 3500ms;
        server.add("/slow", slow);
        browser.waitForPageShown();
    }
    LocalHttpServer server;
    BrowserHarness browser;
};

} // namespace

TEST_F(Hardening, ASelfSignedCertificateIsNeverShownAsLoaded) {
    LocalHttpServer secure(true);
    secure.add("/secret", LocalHttpServer::solidPage("Secret", "#000000"));
    browser.navigateAndWait(secure.url("/secret"));
    EXPECT_EQ(secure.requestCount("/secret"), 0); // the page itself was never fetched
    EXPECT_TRUE(browser->brwWebBrowser.ShowingErrorPage());
    // Normally the certificate page; now and then WebKit reports the refused handshake as a
    // plain failed load, and the user sees that page of ours instead. Never the secret.
    const std::string title = browser->get_title();
    EXPECT_TRUE(title == "Quillet 安全な接続を確立できませんでした" ||
                title == "Quillet ページを表示できませんでした")
        << title;
    EXPECT_EQ(browser.statusText(), "ページが表示されました");
    EXPECT_FALSE(browser.hasEntry(secure.url("/secret")));
}

TEST_F(Hardening, ARefusedConnectionEndsTheIndicatorWithAnErrorPage) {
    const std::string address = "http://127.0.0.1:" + std::to_string(closedPort()) + "/";
    browser.navigateAndWait(address);
    EXPECT_FALSE(browser->timTimerEnabled());
    EXPECT_EQ(browser->get_title(), "Quillet ページを表示できませんでした");
    EXPECT_FALSE(browser.hasEntry(address));
    // The address stays reachable for the history once it works.
    browser.navigateAndWait(server.url("/a"));
    EXPECT_TRUE(browser.hasEntry(server.url("/a")));
    EXPECT_FALSE(browser->brwWebBrowser.ShowingErrorPage());
}

TEST_F(Hardening, AKilledWebProcessAfterLoadKeepsWindowHistoryAndTicks) {
    browser.navigateAndWait(server.url("/a"));
    browser.tickEntry(2, true);
    const int entries = browser.entryCount();
    ASSERT_GE(killWebProcesses(), 1);
    ASSERT_TRUE(pumpUntil([&] {
        return browser->get_title() == "Quillet ページの処理が停止しました" &&
               !browser->timTimerEnabled();
    }));
    EXPECT_EQ(browser.entryCount(), entries);
    EXPECT_TRUE(browser.entry(2).checked);
    browser.navigateAndWait(server.url("/b"));
    EXPECT_EQ(browser->get_title(), "Quillet Page B");
    EXPECT_TRUE(browser.hasEntry(server.url("/b")));
}

TEST_F(Hardening, AKilledWebProcessMidLoadEndsTheIndicator) {
    browser.typeAddress(server.url("/slow"));
    browser.pressKeyInAddressBox(kKeyEnter);
    ASSERT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.Busy(); }));
    pumpFor(300ms);
    ASSERT_GE(killWebProcesses(), 1);
    ASSERT_TRUE(pumpUntil([&] { return !browser->timTimerEnabled(); }, 10s));
    EXPECT_TRUE(browser->brwWebBrowser.ShowingErrorPage());
    EXPECT_FALSE(browser.hasEntry(server.url("/slow")));
    browser.navigateAndWait(server.url("/a"));
    EXPECT_EQ(browser->get_title(), "Quillet Page A");
}
