// SPDX-License-Identifier: MIT
// Keeping the history on a desktop without a keyring: the user is asked once, nothing is kept
// before the answer, 残さない (the default, taken with Return) keeps nothing, and only
// 暗号化せずに残す keeps the file, unsealed; turning keeping on again asks again. Runs in a session
// without a Secret Service (QUILLET_TEST_DISPLAY=x11-wm+nokeyring); skipped in the others.

#include "BrowserHarness.h"
#include "HistoryPane.h"
#include "LocalHttpServer.h"
#include "PlainHistorySealing.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class NoKeyring : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::getenv("QUILLET_TEST_NO_KEYRING") == nullptr)
            GTEST_SKIP() << "needs a session without a keyring";
        server.add("/page", LocalHttpServer::htmlPage(
                                "<!DOCTYPE html><html><head><meta charset='utf-8'><title>頁"
                                "</title></head><body><p>zqxunkeptword</p></body></html>"));
    }
    std::string historyFile() const { return folder.path() + "/data/Quillet/history.sqlite"; }

    Gtk::MessageDialog* waitForQuestion(BrowserHarness& browser) {
        if (!pumpUntil([&] {
                auto* question = browser.pane().keyringQuestion();
                return question != nullptr && question->get_visible();
            }))
            return nullptr;
        return browser.pane().keyringQuestion();
    }

    // 暗号化せずに残す, clicked with the pointer as the user would.
    void keepUnsealed(BrowserHarness& browser, Gtk::MessageDialog& question) {
        auto* yes = question.get_widget_for_response(Gtk::RESPONSE_YES);
        ASSERT_TRUE(pumpUntil([&] { return question.is_active(); }, 5s));
        clickWithPointer(*yes, yes->get_allocated_width() / 2, yes->get_allocated_height() / 2);
        ASSERT_TRUE(pumpUntil([&] { return !question.get_visible(); }));
        EXPECT_EQ(browser.setting("history/without_keyring"), "unsealed");
    }

    TempFolder folder;
    LocalHttpServer server;
};

} // namespace

TEST_F(NoKeyring, NothingIsKeptBeforeTheAnswerNorAfterTheDefaultNo) {
    {
        BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now,
                               folder.path());
        browser.waitForPageShown();
        Gtk::MessageDialog* question = waitForQuestion(browser);
        ASSERT_NE(question, nullptr) << "not asked";
        EXPECT_EQ(question->property_text().get_value(), kNoKeyringQuestion);
        const auto* no =
            dynamic_cast<Gtk::Button*>(question->get_widget_for_response(Gtk::RESPONSE_NO));
        const auto* yes =
            dynamic_cast<Gtk::Button*>(question->get_widget_for_response(Gtk::RESPONSE_YES));
        ASSERT_TRUE(no && yes);
        ASSERT_TRUE(pumpUntil([&] { return question->is_active(); }, 5s));
        saveScreenshot(*question, "no-keyring-question");
        EXPECT_EQ(no->get_label(), kKeepNothingButton);
        EXPECT_EQ(yes->get_label(), kKeepUnsealedButton);
        // Browsing goes on while the question waits; the page stays in this run only.
        browser.navigateAndWait(server.url("/page"));
        browser.waitUntilStored();
        EXPECT_TRUE(browser.hasEntry(server.url("/page")));
        ASSERT_TRUE(pumpUntil([&] { return question->is_active(); }, 5s));
        pressKeys("Return");
        ASSERT_TRUE(pumpUntil([&] { return !question->get_visible(); }));
        EXPECT_EQ(browser.setting("history/without_keyring"), "none");
        browser.navigateAndWait(server.url("/page") + "?again");
        browser.waitUntilStored();
    }
    EXPECT_EQ(historyFileForm(historyFile()), HistoryFileForm::Absent);
    // The next start remembers the answer: no question, nothing kept.
    BrowserHarness again({{"history/keep", "1"}, {"history/without_keyring", "none"}},
                         std::chrono::system_clock::now, folder.path());
    again.waitForPageShown();
    again.navigateAndWait(server.url("/page"));
    again.waitUntilStored();
    pumpFor(1s);
    EXPECT_EQ(again.pane().keyringQuestion(), nullptr);
    EXPECT_EQ(historyFileForm(historyFile()), HistoryFileForm::Absent);
}

TEST_F(NoKeyring, KeepingUnencryptedIsTheUsersClickAndKeepsThePages) {
    BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now, folder.path());
    browser.waitForPageShown();
    Gtk::MessageDialog* question = waitForQuestion(browser);
    ASSERT_NE(question, nullptr);
    ASSERT_NO_FATAL_FAILURE(keepUnsealed(browser, *question));
    browser.navigateAndWait(server.url("/page"));
    browser.waitUntilStored();
    EXPECT_EQ(historyFileForm(historyFile()), HistoryFileForm::Plain);
    HistoryStore kept(historyFile());
    EXPECT_EQ(kept.pageCount(), 1); // the home page came before the answer: this run's only
    EXPECT_EQ(kept.search("頁", 5).size(), 1u);
}

TEST_F(NoKeyring, TurningKeepingOnAgainAsksAgainSoAnEarlierNoCanBecomeAYes) {
    BrowserHarness browser({{"history/keep", "1"}, {"history/without_keyring", "none"}},
                           std::chrono::system_clock::now, folder.path());
    browser.waitForPageShown();
    browser->historyKeeper().waitUntilIdle();
    EXPECT_EQ(browser.pane().keyringQuestion(), nullptr); // answered before
    {
        MessageBoxAnswerer answers(Gtk::RESPONSE_NO); // 残しておく
        browser.pane().keepHistoryItem.set_active(false);
    }
    browser.pane().keepHistoryItem.set_active(true);
    EXPECT_EQ(browser.setting("history/without_keyring"), "");
    Gtk::MessageDialog* question = waitForQuestion(browser);
    ASSERT_NE(question, nullptr) << "not asked again";
    ASSERT_TRUE(pumpUntil([&] { return question->is_active(); }, 5s));
    saveScreenshot(*question, "no-keyring-question-again");
    ASSERT_NO_FATAL_FAILURE(keepUnsealed(browser, *question));
    browser.navigateAndWait(server.url("/page"));
    browser.waitUntilStored();
    EXPECT_EQ(historyFileForm(historyFile()), HistoryFileForm::Plain);
    EXPECT_EQ(HistoryStore(historyFile()).search("頁", 5).size(), 1u);
}
