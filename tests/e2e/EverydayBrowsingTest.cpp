// SPDX-License-Identifier: MIT
// What real sites ask of a browser beyond showing a page: links and scripts that open new
// windows, addresses of other schemes, and addresses typed without a scheme.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// A page that is one big link (or button), so that a click anywhere on it follows it.
Page pageThatIsOneLink(const std::string& title, const std::string& link) {
    return LocalHttpServer::htmlPage(
        "<!DOCTYPE html><title>" + title + "</title><style>html,body{margin:0;height:100%}" +
        "a,button{display:block;width:100%;height:100%}</style>" + link);
}

class EverydayBrowsing : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/b", LocalHttpServer::htmlPage("<title>Page B</title><p>B</p>"));
        browser.waitForPageShown();
    }
    LocalHttpServer server;
    BrowserHarness browser;
};

} // namespace

TEST_F(EverydayBrowsing, ALinkThatOpensANewWindowOpensInThePageView) {
    server.add("/blank", pageThatIsOneLink("Blank", "<a target=_blank href=/b>B</a>"));
    browser.navigateAndWait(server.url("/blank"));
    clickWithPointer(browser->brwWebBrowser.Widget());
    // The load is reported like any other, and the page enters the history.
    EXPECT_TRUE(pumpUntil([&] { return browser.hasEntry(server.url("/b")); }));
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/b"));
    EXPECT_EQ(browser->brwWebBrowser.ScriptWindowCount(), 0u);
}

TEST_F(EverydayBrowsing, AScriptWindowOpensBesideThePageKnowsItsOpenerAndClosesItself) {
    server.add("/opener",
               pageThatIsOneLink("Opener", "<button onclick=\"window.open('/popup', 'signin', "
                                           "'width=400,height=300')\">sign in</button>"));
    server.add("/popup", LocalHttpServer::htmlPage(
                             "<title>Sign-in</title><script>document.title = window.opener ? "
                             "'opener known' : 'no opener'; setTimeout(() => window.close(), "
                             "2000)</script>"));
    browser.navigateAndWait(server.url("/opener"));
    clickWithPointer(browser->brwWebBrowser.Widget());
    ASSERT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.ScriptWindowCount() == 1; }));
    Gtk::Window* popup = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        for (Gtk::Window* window : Gtk::Window::list_toplevels())
            if (window->get_title() == "opener known" && window->get_visible())
                popup = window;
        return popup != nullptr;
    })) << "no window titled by a page that knows its opener";
    EXPECT_EQ(popup->get_transient_for(), &browser.window());

    // window.close() closes it; the main page and the history stay as they were.
    EXPECT_TRUE(pumpUntil([&] { return browser->brwWebBrowser.ScriptWindowCount() == 0; }, 5s));
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/opener"));
    EXPECT_FALSE(browser.hasEntry(server.url("/popup")));
}

TEST_F(EverydayBrowsing, OtherSchemesGoToTheDesktopsApplicationOrFailAsOurOwnPage) {
    // A desktop application for mailto: that writes down what it was given.
    TempFolder out;
    installSchemeHandler("mailto", "Mail", out.file("mail"));

    browser.typeAddress("mailto:someone@example.com");
    browser.pressKeyInAddressBox(kKeyEnter);
    // The shell creates the file before it writes the line: wait for the whole line.
    ASSERT_TRUE(pumpUntil(
        [&] {
            return std::filesystem::exists(out.file("mail")) &&
                   readFile(out.file("mail")).ends_with('\n');
        },
        10s));
    EXPECT_EQ(readFile(out.file("mail")), "mailto:someone@example.com\n");
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), kHomeAddress); // the page stays

    // Nothing on this machine opens "nosuchscheme:": Quillet's own page says so, and it is
    // not recorded in the history.
    browser.navigateAndWait("nosuchscheme:abc");
    EXPECT_TRUE(browser->brwWebBrowser.ShowingErrorPage());
    EXPECT_FALSE(browser.hasEntry("nosuchscheme:abc"));
    EXPECT_EQ(browser.entryCount(), 1); // the home page only
}

TEST_F(EverydayBrowsing, AnAddressTypedWithoutASchemeLoadsAsHttp) {
    server.add("/plain", LocalHttpServer::htmlPage("<title>Plain</title><p>plain</p>"));
    browser.navigateAndWait("127.0.0.1:" + std::to_string(server.port()) + "/plain");
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/plain"));
    EXPECT_EQ(server.requestCount("/plain"), 1);
    browser.navigateAndWait("localhost:" + std::to_string(server.port()) + "/plain");
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/plain", "localhost"));
}

TEST_F(EverydayBrowsing, DownloadsGetAFreeNameAndNeverReplaceAFile) {
    Page report = LocalHttpServer::htmlPage("the report");
    report.contentType = "text/plain";
    report.disposition = "attachment; filename=\"report.txt\""; // to be saved, not shown
    server.add("/files/7", report);
    const std::string folder = PageDownloads::folder();
    writeFile(folder + "/report.txt", "the user's own file");
    std::vector<std::string> saved;
    PageDownloads& downloads = browser->brwWebBrowser.Downloads();
    downloads.signal_finished().connect([&](PageDownloads::Id, const std::string&,
                                            const std::string& path) { saved.push_back(path); });
    std::vector<std::string> failures;
    downloads.signal_failed().connect(
        [&](PageDownloads::Id, const std::string& name, const std::string& why) {
            failures.push_back(name + ": " + why);
        });

    for (int n = 1; n <= 2; ++n) {
        browser.navigateAndWait(server.url("/files/7")); // the indicator ends as usual
        ASSERT_TRUE(pumpUntil([&] { return saved.size() == static_cast<std::size_t>(n); }))
            << ::testing::PrintToString(failures);
    }
    EXPECT_EQ(saved,
              (std::vector<std::string>{folder + "/report (1).txt", folder + "/report (2).txt"}));
    EXPECT_EQ(readFile(folder + "/report.txt"), "the user's own file");
    EXPECT_EQ(readFile(folder + "/report (1).txt"), "the report");
    EXPECT_EQ(readFile(folder + "/report (2).txt"), "the report");
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_FALSE(entry.path().string().ends_with(".part")) << entry.path();
    // The user is told, and a download is no visited page.
    EXPECT_TRUE(browser.statusText() == "ページが表示されました");
    EXPECT_EQ(browser.entryCount(), 1);
}

TEST_F(EverydayBrowsing, ClosingAsksAPageWithUnsavedInputFirst) {
    server.add("/form", LocalHttpServer::htmlPage(
                            "<title>Form</title><style>input{width:90%;height:80%}</style>"
                            "<input autofocus><script>addEventListener('beforeunload', e => {"
                            "e.preventDefault(); e.returnValue = ''; });</script>"));
    browser.navigateAndWait(server.url("/form"));
    clickWithPointer(browser->brwWebBrowser.Widget()); // the user works on the page
    typeText("draft");

    // Answers the page's question with `response` and returns its text. The question runs a
    // main loop of its own, so it is answered from a timer that runs inside that loop.
    struct Answer {
        Gtk::ResponseType response;
        std::string asked;
    };
    const auto answerQuestion = [&](Gtk::ResponseType response) {
        Answer answer{response, ""};
        const guint timer = g_timeout_add(
            50,
            [](gpointer data) -> gboolean {
                auto* answer = static_cast<Answer*>(data);
                for (Gtk::Window* window : Gtk::Window::list_toplevels())
                    if (auto* box = dynamic_cast<Gtk::MessageDialog*>(window);
                        box && box->get_visible() && answer->asked.empty()) {
                        answer->asked = box->property_text().get_value();
                        box->response(answer->response);
                    }
                return G_SOURCE_CONTINUE;
            },
            &answer);
        EXPECT_TRUE(pumpUntil([&] { return !answer.asked.empty(); })) << "the page asked nothing";
        pumpFor(200ms);
        g_source_remove(timer);
        return answer.asked;
    };

    browser->close();
    EXPECT_EQ(answerQuestion(Gtk::RESPONSE_CANCEL), "このページを離れますか？");
    pumpFor(1s);
    EXPECT_TRUE(browser->get_visible()); // the user stayed
    EXPECT_EQ(browser.setting("width_main"), "<absent>");

    browser->close();
    answerQuestion(Gtk::RESPONSE_ACCEPT);
    EXPECT_TRUE(pumpUntil([&] { return !browser->get_visible(); }));
    EXPECT_NE(browser.setting("width_main"), "<absent>"); // closed the usual way
}
