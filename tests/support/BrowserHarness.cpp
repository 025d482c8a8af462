// SPDX-License-Identifier: MIT
#include "BrowserHarness.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

namespace quillet::test {

BrowserHarness::BrowserHarness(const StoredSettings& stored, Clock clock) {
    SettingsStore settings(config_.path());
    for (const auto& [key, value] : stored)
        settings.write(kSettingsApp, kSettingsSection, key, value);
    window_ = std::make_unique<frmBrowser>(settings, std::move(clock));
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
    window_.reset();
    pumpFor(std::chrono::milliseconds(20));
}

void BrowserHarness::waitForPageShown() {
    ASSERT_TRUE(pumpUntil([this] {
        const std::string title = window_->get_title();
        return !window_->timTimerEnabled() && title.starts_with("Quillet ") &&
               title != "Quillet 読み込み中...";
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
    return SettingsStore(config_.path()).read(kSettingsApp, kSettingsSection, key, "<absent>");
}

} // namespace quillet::test
