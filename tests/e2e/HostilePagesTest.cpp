// SPDX-License-Identifier: MIT
// Every web page is an adversary: whatever a page does with Quillet's own addresses
// (quillet://), it learns nothing of the history and starts nothing, and an address of another
// scheme goes to the desktop only after the user's click and yes.

#include "AddressRules.h"
#include "BrowserHarness.h"
#include "Form2.h"
#include "LocalHttpServer.h"
#include "SavedPageAddress.h"
#include "TimelinePage.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kKeepOn = "history/keep";

// Asks every way a page can for Quillet's own addresses about address `a` and word `w` (from
// its own query) and keeps what each way saw in window.seen, as one text, once all have
// answered. A way that never answers says "silent".
constexpr const char* kProbe = R"html(<!DOCTYPE html><title>probe</title><body><script>
const asked = new URLSearchParams(location.search), a = asked.get('a'), w = asked.get('w');
const e = encodeURIComponent;
const addresses = {
  thumbnail: 'quillet://history/thumbnail?a=' + e(a),
  day: 'quillet://history/day?before=99999999999&q=' + e(w),
  page: 'quillet://history/?q=' + e(w),
  export: 'quillet://history/export?a=' + e(a) + '&t=x%0D%0AURL%3Dhttp://evil.test/',
  home: 'quillet://home/',
  saved: 'quillet://saved/?a=' + e(a) + '&t=99999999999',
  changes: 'quillet://saved/changes?a=' + e(a) + '&t=99999999999',
};
const seen = {}, waits = [];
const note = (name, promise) => waits.push(Promise.race([
  promise, new Promise(done => setTimeout(() => done('silent'), 4000))]).then(
  value => { seen[name] = value; }, () => { seen[name] = 'threw'; }));
const element = (make) => new Promise(done => {
  const made = make();
  made.onload = () => done('load');
  made.onerror = () => done('error');
  document.body.appendChild(made);
});
for (const [name, address] of Object.entries(addresses)) {
  note('img ' + name, element(() => { const i = new Image(); i.src = address; return i; }));
  note('script ' + name, element(() => {
    const s = document.createElement('script'); s.src = address; return s; }));
  note('style ' + name, element(() => {
    const l = document.createElement('link'); l.rel = 'stylesheet'; l.href = address; return l; }));
  note('fetch ' + name, fetch(address).then(r => r.text().then(t => 'status ' + r.status +
                                                                    ' ' + t.length)));
  note('xhr ' + name, new Promise(done => {
    const x = new XMLHttpRequest();
    x.onload = () => done('load ' + x.status + ' ' + x.responseText.length);
    x.onerror = () => done('error');
    try { x.open('GET', address); x.send(); } catch (err) { done('threw'); }
  }));
  note('iframe ' + name, new Promise(done => {
    const f = document.createElement('iframe');
    f.onload = () => {
      try { done('document ' + (f.contentDocument ? f.contentDocument.body.innerHTML.length
                                                   : 'none')); }
      catch (err) { done('other origin'); }
    };
    f.src = address;
    document.body.appendChild(f);
  }));
}
Promise.all(waits).then(() => {
  window.seen = JSON.stringify(seen, Object.keys(seen).sort());
});
</script>)html";

// Pages that try to send the view itself to one of Quillet's own pages.
std::string goingTo(const std::string& how, const std::string& target) {
    if (how == "link")
        return "<a id=go href='" + target +
               "'>go</a><script>document.getElementById('go')."
               "click()</script>";
    if (how == "form")
        return "<form id=f action='" + target.substr(0, target.find('?')) +
               "'><input name=q value=zqxkeptword></form>"
               "<script>document.getElementById('f').submit()</script>";
    if (how == "script")
        return "<script>location.href = '" + target + "'</script>";
    if (how == "refresh")
        return "<meta http-equiv=refresh content='0; url=" + target + "'>";
    return "<script>window.open('" + target + "')</script>"; // a window of its own
}

class HostilePages : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/kept",
                   LocalHttpServer::htmlPage("<title>kept</title><p>zqxkeptword 秘密の記事</p>"));
        server.add("/probe", LocalHttpServer::htmlPage(kProbe));
        browser.waitForPageShown();
        browser.navigateAndWait(server.url("/kept"));
        browser.waitUntilStored();
    }

    // What the probe saw for an address and a word.
    std::string probe(const std::string& address, const std::string& word) {
        browser.navigateAndWait(server.url("/probe?a=" + address + "&w=" + word));
        EXPECT_TRUE(pumpUntil([&] { return browser.pageScript("window.seen") != "undefined"; }));
        return browser.pageScript("window.seen");
    }

    // Nothing of the timeline or of a saved copy reached the window: no export dialog, no page
    // of either in any view, nothing of them in the history.
    void expectNothingStarted() {
        EXPECT_EQ(browser->timeline().exportDialog(), nullptr);
        EXPECT_FALSE(isTimelineAddress(browser->brwWebBrowser.LocationURL()));
        EXPECT_FALSE(isSavedCopyAddress(browser->brwWebBrowser.LocationURL()));
        EXPECT_FALSE(browser->savedPageStrip.get_visible());
        for (Gtk::Window* window : Gtk::Window::list_toplevels())
            EXPECT_NE(window->get_title(), "履歴をたどる");
        for (int i = 1; i <= browser.entryCount(); ++i) {
            EXPECT_FALSE(isTimelineAddress(browser.entry(i).text)) << browser.entry(i).text;
            EXPECT_FALSE(isSavedCopyAddress(browser.entry(i).text)) << browser.entry(i).text;
        }
    }

    // What the desktop's program for quillettest: was given, a line each.
    std::string opened() const {
        return std::filesystem::exists(out.file("opened")) ? readFile(out.file("opened")) : "";
    }

    LocalHttpServer server;
    BrowserHarness browser{StoredSettings{{kKeepOn, "1"}}};
    TempFolder out;
};

} // namespace

// Images, scripts, style sheets, fetch, XHR and frames of every quillet:// address answer the
// same whether the address was visited and the word kept or not: all of them fail.
TEST_F(HostilePages, LearnNothingOfTheHistoryFromQuilletsAddresses) {
    const std::string kept = probe(server.url("/kept"), "zqxkeptword");
    const std::string unknown = probe(server.url("/never"), "zqxneverword");
    EXPECT_EQ(kept, unknown);
    // Not one of them loaded anything (a frame of a blocked address does not even end).
    for (const char* loaded : {"\"load", "status", "document"})
        EXPECT_EQ(kept.find(loaded), std::string::npos) << loaded << " in " << kept;
    // The page cannot reach the timeline's own channel either.
    EXPECT_EQ(browser.pageScript("typeof (window.webkit && window.webkit.messageHandlers && "
                                 "window.webkit.messageHandlers.timelineExport)"),
              "undefined");
    pumpFor(500ms);
    expectNothingStarted();
}

// A link, a form, a script, a refresh, a server's redirect or a window of the page's own never
// takes the page view (or any window) to the timeline or to a kept page's saved copy; Quillet's
// own controls still do.
TEST_F(HostilePages, CannotSendAnyViewToQuilletsOwnPages) {
    const std::string targets[] = {"quillet://history/?q=zqxkeptword",
                                   savedPageAddress(server.url("/kept"), 99999999999)};
    for (const std::string& target : targets) {
        for (const char* how : {"link", "form", "script", "refresh", "window"}) {
            SCOPED_TRACE(target + " " + how);
            server.add(std::string("/go-") + how, LocalHttpServer::htmlPage(goingTo(how, target)));
            browser.navigateAndWait(server.url(std::string("/go-") + how));
            pumpFor(1500ms);
            EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url(std::string("/go-") + how));
            expectNothingStarted();
        }
        server.add("/redirect", LocalHttpServer::redirectTo(target));
        browser.navigateAndWait(server.url("/redirect"));
        expectNothingStarted();
    }

    // The user's own way there still works.
    browser.navigateAndWait(kTimelineAddress);
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), kTimelineAddress);
    EXPECT_TRUE(pumpUntil([&] {
        return browser.pageScript("document.querySelectorAll('img.thumb').length") != "0";
    }));
}

// A frame of another scheme, or a script without the user's click, starts nothing and the
// status line says a page tried; a link the user follows asks first, then opens the program,
// and the answer holds for that site and scheme.
TEST_F(HostilePages, OtherSchemesGoToTheDesktopOnlyAfterTheUsersClickAndYes) {
    installSchemeHandler("quillettest", "Test Handler", out.file("opened"));

    server.add("/frame", LocalHttpServer::htmlPage(
                             "<title>frame</title><iframe hidden src='quillettest:frame'></iframe>"
                             "<script>setTimeout(() => location.href = 'quillettest:script', 50)"
                             "</script>"));
    browser.navigateAndWait(server.url("/frame"));
    pumpFor(1500ms);
    EXPECT_EQ(opened(), "");
    EXPECT_EQ(browser->brwWebBrowser.OpenElsewhereQuestion(), nullptr);
    EXPECT_EQ(browser.statusText(), "このページが quillettest: のアドレスを開こうとしました");

    // A frame the page makes while it handles the user's click (WebKit does not say which
    // frame a navigation is for) is asked about like a link, and starts nothing without 開く:
    // the question closed unanswered refuses it.
    server.add("/clickframe",
               LocalHttpServer::htmlPage(
                   "<title>clickframe</title><a id=go href='#'>開く</a><script>"
                   "document.getElementById('go').onclick = (event) => {"
                   " event.preventDefault(); const f = document.createElement('iframe');"
                   " f.hidden = true; f.src = 'quillettest:inframe'; document.body.append(f); }"
                   "</script>"));
    browser.navigateAndWait(server.url("/clickframe"));
    ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
    browser.pageScript("document.getElementById('go').focus()");
    pressKeys("Return");
    ASSERT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.OpenElsewhereQuestion(); }, 10s));
    browser->brwWebBrowser.OpenElsewhereQuestion()->response(Gtk::RESPONSE_DELETE_EVENT);
    pumpFor(500ms);
    EXPECT_EQ(browser->brwWebBrowser.OpenElsewhereQuestion(), nullptr);
    EXPECT_EQ(opened(), "");

    server.add("/link", LocalHttpServer::htmlPage(
                            "<title>link</title><a id=go href='quillettest:clicked'>開く</a>"));
    browser.navigateAndWait(server.url("/link"));
    const auto followLink = [&] {
        // The keys go to the main window once the question is gone.
        ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
        browser.pageScript("document.getElementById('go').focus()");
        pressKeys("Return"); // a real key: the user's gesture
    };
    followLink();
    ASSERT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.OpenElsewhereQuestion(); }, 10s));
    Gtk::MessageDialog* question = browser->brwWebBrowser.OpenElsewhereQuestion();
    EXPECT_EQ(question->property_text().get_value(),
              "このページが Test Handler で quillettest:clicked を開こうとしています。");
    EXPECT_EQ(opened(), ""); // not before the answer
    saveScreenshot(*question, "open-elsewhere-question");
    question->response(Gtk::RESPONSE_ACCEPT);
    ASSERT_TRUE(pumpUntil([&] { return opened() == "quillettest:clicked\n"; }, 10s)) << opened();

    // The answer holds for the site: the next click opens without a question.
    followLink();
    ASSERT_TRUE(pumpUntil([&] { return opened().size() > 20; }, 10s));
    EXPECT_EQ(opened(), "quillettest:clicked\nquillettest:clicked\n");
    EXPECT_EQ(browser->brwWebBrowser.OpenElsewhereQuestion(), nullptr);
    // The page stays where it was.
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/link"));
}

// 開かない, the default, opens nothing, and holds for the site too.
TEST_F(HostilePages, TheUsersNoToAnotherSchemeHolds) {
    installSchemeHandler("quillettest", "Test Handler", out.file("opened"));
    server.add("/link", LocalHttpServer::htmlPage("<a id=go href='quillettest:no'>開く</a>"));
    browser.navigateAndWait(server.url("/link"));
    for (int n = 0; n < 2; ++n) {
        ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
        browser.pageScript("document.getElementById('go').focus()");
        pressKeys("Return");
        if (n == 0) {
            ASSERT_TRUE(
                pumpUntil([&] { return browser->brwWebBrowser.OpenElsewhereQuestion(); }, 10s));
            Gtk::MessageDialog* question = browser->brwWebBrowser.OpenElsewhereQuestion();
            EXPECT_TRUE(question->get_widget_for_response(Gtk::RESPONSE_REJECT)->has_default());
            question->response(Gtk::RESPONSE_REJECT);
        }
        pumpFor(1000ms);
        EXPECT_EQ(browser->brwWebBrowser.OpenElsewhereQuestion(), nullptr);
    }
    EXPECT_EQ(opened(), "");
    // The second click was refused by the answer kept, and the status line says so.
    EXPECT_EQ(browser.statusText(), "このページが quillettest: のアドレスを開こうとしました");
}
