// SPDX-License-Identifier: MIT
#include "BrowserHarness.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

namespace quillet::test {

BrowserHarness::BrowserHarness(const StoredSettings& stored, Clock clock, const std::string& folder,
                               Privacy privacy) {
    if (folder.empty())
        folder_ = ownFolder_.emplace().path();
    else
        folder_ = folder;
    SettingsStore settings(folder_);
    for (const auto& [key, value] : stored) {
        const auto slash = key.find('/');
        if (slash == std::string::npos)
            settings.write(kSettingsApp, kSettingsSection, key, value);
        else
            settings.write(kSettingsApp, key.substr(0, slash), key.substr(slash + 1), value);
    }
    window_ = std::make_unique<frmBrowser>(settings, std::move(clock), historyFolder(), privacy);
    if (std::getenv("QUILLET_TEST_FORCE_GL")) {
        // Accelerated compositing for every page, not only those that ask for it.
        auto* view = WEBKIT_WEB_VIEW(window_->brwWebBrowser.Widget().gobj());
        webkit_settings_set_hardware_acceleration_policy(
            webkit_web_view_get_settings(view), WEBKIT_HARDWARE_ACCELERATION_POLICY_ALWAYS);
    }
    window_->show();
    EXPECT_TRUE(pumpUntil([this] { return window_->get_mapped(); }));
    waitForSettledSize();
}

void BrowserHarness::waitForSettledSize() {
    // The title bar is known only once the window is framed; the stored outer size is asked
    // for again then. A window manager may also refuse a size, so this does not fail.
    pumpUntil([this] { return window_->sizeSettled(); }, std::chrono::seconds(3));
    pumpFor(std::chrono::milliseconds(50));
}

BrowserHarness::~BrowserHarness() {
    window_.reset(); // the worker stores what it was handed, then ends
    pumpFor(std::chrono::milliseconds(20));
}

void BrowserHarness::waitForPageShown() {
    ASSERT_TRUE(pumpUntil([this] {
        const std::string title = window_->get_title();
        // The caption names the page once it is shown (a private one says so before).
        return !window_->timTimerEnabled() && title != windowCaption(window_->privacy(), "") &&
               title != windowCaption(window_->privacy(), "読み込み中...");
    })) << "no page was reported loaded";
}

void BrowserHarness::loadAndWait(const std::function<void()>& start) {
    start();
    ASSERT_TRUE(pumpUntil([this] { return window_->timTimerEnabled(); }))
        << "the load did not begin";
    ASSERT_TRUE(pumpUntil([this] { return !window_->timTimerEnabled(); }))
        << "the load was not reported complete";
}

void BrowserHarness::navigateAndWait(const std::string& address) {
    loadAndWait([&] {
        typeAddress(address);
        pressKeyInAddressBox(kKeyEnter);
    });
}

void BrowserHarness::addEntriesLike(int like, int count) {
    const PackedImage picture = window_->ImageList1.image(like);
    const int first = window_->ImageList1.count() + 1;
    for (int n = first; n < first + count; ++n) {
        const std::string key = "http://synthetic.invalid/" + std::to_string(n);
        window_->ImageList1.add(n, key, picture);
        window_->ListView1.addItem(n, key, key, n);
    }
}

void BrowserHarness::waitUntilStored() {
    // A page's text can take its web process seconds (10 MB of it).
    ASSERT_TRUE(
        pumpUntil([this] { return window_->visitsAwaitingText() == 0; }, std::chrono::seconds(60)))
        << window_->visitsAwaitingText() << " pages still wait for their text";
    waitForHistoryAnswers();
}

void BrowserHarness::waitForHistoryAnswers() {
    window_->historyKeeper().waitUntilIdle();
    pumpPending(); // the answers wait in the main loop
}

void BrowserHarness::resizeTo(float widthTwips, float heightTwips) {
    window_->setWidth(widthTwips);
    window_->setHeight(heightTwips);
    ASSERT_TRUE(pumpUntil([&] {
        return std::abs(window_->Width() - widthTwips) < 15 &&
               std::abs(window_->Height() - heightTwips) < 15 && window_->sizeSettled();
    })) << "the window is "
        << window_->Width() << " x " << window_->Height() << " twips";
    pumpFor(std::chrono::milliseconds(50)); // let the layout run for the new size
}

std::string BrowserHarness::setting(const std::string& key) const {
    const auto slash = key.find('/');
    if (slash == std::string::npos)
        return SettingsStore(folder_).read(kSettingsApp, kSettingsSection, key, "<absent>");
    return SettingsStore(folder_).read(kSettingsApp, key.substr(0, slash), key.substr(slash + 1),
                                       "<absent>");
}

std::string BrowserHarness::pageScript(const std::string& script) {
    struct Result {
        bool done = false;
        std::string text;
    } result;
    webkit_web_view_evaluate_javascript(
        window_->brwWebBrowser.WebView(), script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* answer, gpointer data) {
            auto* out = static_cast<Result*>(data);
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view),
                                                                             answer, nullptr)) {
                char* text = jsc_value_to_string(value);
                out->text = text ? text : "";
                g_free(text);
                g_object_unref(value);
            }
            out->done = true;
        },
        &result);
    pumpUntil([&] { return result.done; }, std::chrono::seconds(20));
    return result.text;
}

void BrowserHarness::focusPaneAsUser() {
    ASSERT_TRUE(pumpUntil([&] { return window_->is_active(); }, std::chrono::seconds(5)))
        << "the window manager did not give the window the focus";
    if (onWayland())
        focusHistory();
    else
        clickWithPointer(historyList(), 60, 60);
    ASSERT_TRUE(pumpUntil([&] { return historyFocused(); }, std::chrono::seconds(3)));
}

void BrowserHarness::searchAsUser(const std::string& text, std::size_t rows) {
    ASSERT_NO_FATAL_FAILURE(focusPaneAsUser());
    pressKeys("ctrl+h");
    ASSERT_TRUE(pumpUntil([&] { return pane().historySearch.has_focus(); }));
    typeThroughInputMethod(text);
    ASSERT_TRUE(pumpUntil([&] {
        return pane().historySearch.get_text() == text && showingMatches() &&
               matches().size() == rows;
    })) << "typed \""
        << std::string(pane().historySearch.get_text()) << "\", " << matches().size() << " rows";
}

} // namespace quillet::test
