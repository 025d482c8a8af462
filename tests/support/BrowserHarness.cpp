#include "BrowserHarness.h"

#include <gtest/gtest.h>

namespace quillet::test {

BrowserHarness::BrowserHarness(const StoredSettings& stored, Clock clock) {
    SettingsStore settings(config_.path());
    for (const auto& [key, value] : stored)
        settings.write("Quillet", "sets", key, value);
    window_ = std::make_unique<frmBrowser>(settings, std::move(clock));
    window_->show();
    EXPECT_TRUE(pumpUntil([this] { return window_->get_mapped(); }));
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
        window_->cboAddress.set_text(address);
        window_->cboAddress_KeyPress(13);
    });
}

void BrowserHarness::resizeTo(float widthTwips, float heightTwips) {
    window_->setWidth(widthTwips);
    window_->setHeight(heightTwips);
    ASSERT_TRUE(pumpUntil([&] {
        return std::abs(window_->Width() - widthTwips) < 15 &&
               std::abs(window_->Height() - heightTwips) < 15 &&
               window_->get_allocated_width() == window_->get_window()->get_width();
    }));
    pumpFor(std::chrono::milliseconds(50)); // let the layout run for the new size
}

std::string BrowserHarness::setting(const std::string& key) const {
    return SettingsStore(config_.path()).read("Quillet", "sets", key, "<absent>");
}

} // namespace quillet::test
