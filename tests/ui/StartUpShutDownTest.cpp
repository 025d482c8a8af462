// SPDX-License-Identifier: MIT
// Start-up reads the window size, thumbnail size and pane width from the settings store;
// closing the window writes all five back.

#include "BrowserHarness.h"

#include "Form1.h"
#include "NumberText.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// 8000 twips is 533.33 pixels: the window gets 533, which it reports as 7995 twips.
constexpr float kFirstRunSize = 7995;
// A refused size leaves the client area at its design size, 652 x 467 pixels; the title bar
// and frame come on top of that.
constexpr int kDesignClientWidth = 652;
constexpr int kDesignClientHeight = 467;

int clientWidth(BrowserHarness& browser) {
    return browser->get_child()->get_allocated_width();
}
int clientHeight(BrowserHarness& browser) {
    return browser->get_child()->get_allocated_height();
}

void closeWindow(BrowserHarness& browser) {
    browser->close();
    pumpUntil([&] { return !browser->get_visible(); });
}

} // namespace

TEST(StartUp, FirstRunOpensAt8000TwipsAndClosingStoresTheFiveValues) {
    BrowserHarness browser;
    EXPECT_EQ(browser.setting("width_main"), "<absent>");
    EXPECT_FLOAT_EQ(browser->Width(), kFirstRunSize);
    EXPECT_FLOAT_EQ(browser->Height(), kFirstRunSize);
    EXPECT_EQ(browser->tx, 120);
    EXPECT_EQ(browser->ty, 120);
    EXPECT_EQ(browser->historyWidth(), 2);
    browser.waitForPageShown(); // the home page was asked for
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), kHomeAddress);

    closeWindow(browser);
    EXPECT_EQ(browser.setting("width_main"), "7995");
    EXPECT_EQ(browser.setting("height_main"), "7995");
    EXPECT_EQ(browser.setting("width_thumb"), "120");
    EXPECT_EQ(browser.setting("height_thumb"), "120");
    EXPECT_EQ(browser.setting("width_history"), "2");
}

TEST(StartUp, ClosingStoresTheSizeTheUserGaveTheWindow) {
    BrowserHarness browser;
    browser.resizeTo(10500, 7500);
    closeWindow(browser);
    EXPECT_EQ(browser.setting("width_main"), "10500");
    EXPECT_EQ(browser.setting("height_main"), "7500");
}

TEST(StartUp, ANegativeStoredWidthIsRefusedAndStartUpGoesOn) {
    BrowserHarness browser(StoredSettings{{"width_main", "-500"},
                                          {"height_main", "6000"},
                                          {"width_thumb", "160"},
                                          {"width_history", "3"}});
    EXPECT_EQ(clientWidth(browser), kDesignClientWidth);
    EXPECT_FLOAT_EQ(browser->Height(), 6000);
    EXPECT_EQ(browser->tx, 160);
    EXPECT_EQ(browser->ty, 120);
    EXPECT_EQ(browser->historyWidth(), 3);
    browser.waitForPageShown(); // step 6 ran too
}

TEST(StartUp, ValuesRoundTripInTheirTextForm) {
    BrowserHarness browser(StoredSettings{{"width_thumb", "120.5"},
                                          {"height_thumb", "&H50"},
                                          {"width_history", "abc"},
                                          {"width_main", "9000px"}});
    EXPECT_EQ(browser->tx, 120.5);
    EXPECT_EQ(browser->ty, 80);
    EXPECT_EQ(browser->historyWidth(), 0);
    EXPECT_FLOAT_EQ(browser->Width(), 9000);
    closeWindow(browser);
    EXPECT_EQ(browser.setting("width_thumb"), "120.5");
    EXPECT_EQ(browser.setting("height_thumb"), "80");
    EXPECT_EQ(browser.setting("width_history"), "0");
    EXPECT_EQ(browser.setting("width_main"), "9000");
}

TEST(StartUp, AWidthBeyondSinglePrecisionIsRefused) {
    BrowserHarness browser(StoredSettings{{"width_main", "1E+39"}, {"height_main", "4500"}});
    EXPECT_EQ(clientWidth(browser), kDesignClientWidth);
    EXPECT_FLOAT_EQ(browser->Height(), 4500);
}

TEST(ShutDown, AnUnwritableStoreStopsAtTheFirstKey) {
    BrowserHarness browser;
    // A file where the settings folder belongs: the first write fails and nothing is written.
    writeFile(browser.folder() + "/Quillet", "not a folder");
    EXPECT_THROW(browser->Form_Unload(), std::runtime_error);
}

TEST(StartUp, AbsurdStoredValuesNeverGiveAnUnusableWindow) {
    const std::pair<const char*, const char*> values[] = {
        {"NaN", "0"},           {"Infinity", "0"}, {"1e30", "1E+30"},
        {"1e9", "1000000000"},  {"-1", "-1"},      {"&HFFFFFFFF", "4294967295"},
        {"\x01\x02\xff", "120"}}; // text that is no UTF-8 makes the file unreadable: defaults
    for (const auto& [stored, readBack] : values) {
        BrowserHarness browser(StoredSettings{{"width_main", stored},
                                              {"height_main", stored},
                                              {"width_thumb", stored},
                                              {"height_thumb", stored},
                                              {"width_history", stored}});
        // Any size the screen cannot show (or a zero one read from junk) leaves a window
        // within the screen.
        EXPECT_LE(browser->Width(), browser->get_screen()->get_width() * 15.0f) << stored;
        EXPECT_GE(browser->Width(), 15.0f) << stored;
        EXPECT_EQ(writeNumber(browser->tx, Precision::Double), readBack) << stored;
        browser.waitForPageShown(); // the load indicator and the capture survive it
        EXPECT_TRUE(browser->get_visible());
    }
}

TEST(StartUp, ANumberBeyondDoubleIsRefusedAndCanBeRepaired) {
    // 1e999 and a run of 100,000 digits both read as infinity: refused at their own steps
    // like a failed conversion, so tx stays empty (0) and the other steps still run.
    BrowserHarness browser(StoredSettings{{"width_thumb", "1e999"},
                                          {"height_thumb", std::string(100000, '7')},
                                          {"width_history", "-1e999"},
                                          {"width_main", "1e999"}});
    EXPECT_EQ(browser->tx, 0);
    EXPECT_EQ(browser->ty, 0);
    EXPECT_EQ(browser->historyWidth(), 0);
    EXPECT_EQ(clientWidth(browser), kDesignClientWidth);
    browser.waitForPageShown(); // step 6 ran

    // The dialog opens with values the user can see and change.
    browser->Image4.clicked();
    ASSERT_TRUE(browser->thumbnailSizeDialog());
    EXPECT_EQ(browser->thumbnailSizeDialog()->Text1.get_text(), "0");
    browser->thumbnailSizeDialog()->close();

    // And the next close writes every key in a form the next start reads.
    closeWindow(browser);
    EXPECT_EQ(browser.setting("width_thumb"), "0");
    EXPECT_EQ(browser.setting("height_thumb"), "0");
    EXPECT_EQ(browser.setting("width_history"), "0");
}

TEST(StartUp, ASizeTooSmallToUseIsRefused) {
    // Junk reads as 0, and 0 or a few pixels would leave no usable window: the design client
    // area stays, as for a negative size. 1500 twips (100 pixels) is still taken.
    BrowserHarness junk(StoredSettings{{"width_main", "abc"}, {"height_main", "1485"}});
    EXPECT_EQ(clientWidth(junk), kDesignClientWidth);
    EXPECT_EQ(clientHeight(junk), kDesignClientHeight);
    BrowserHarness smallest(StoredSettings{{"width_main", "2400"}, {"height_main", "1500"}});
    EXPECT_FLOAT_EQ(smallest->Height(), 1500);
}

TEST(StartUp, ASizeBeyondTheScreenIsRefusedLikeANegativeOne) {
    BrowserHarness browser(StoredSettings{{"width_main", "1e9"}, {"height_main", "90000"}});
    EXPECT_EQ(clientWidth(browser), kDesignClientWidth);
    EXPECT_EQ(clientHeight(browser), kDesignClientHeight);
}

TEST(StartUp, ASettingsFileThatIsAFolderReadsAsDefaultsAndIsKeptAside) {
    TempFolder config;
    std::filesystem::create_directories(config.file("Quillet/settings.ini/inner"));
    {
        frmBrowser window{SettingsStore(config.path())};
        EXPECT_EQ(window.tx, 120);
        window.show();
        window.close();
        // The settings are written after the window is gone, which a busy session delays.
        pumpUntil([&] {
            return SettingsStore(config.path()).read("Quillet", "sets", "width_thumb", "") == "120";
        });
    }
    EXPECT_EQ(SettingsStore(config.path()).read("Quillet", "sets", "width_thumb", ""), "120");
    int keptAside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(config.file("Quillet")))
        keptAside += entry.path().filename().string().starts_with("settings.ini.unreadable-");
    EXPECT_EQ(keptAside, 1);
}

TEST(ShutDown, AnUnwritableStoreIsReportedOnStderrAndTheWindowStillCloses) {
    BrowserHarness browser;
    writeFile(browser.folder() + "/Quillet", "not a folder");
    testing::internal::CaptureStderr();
    browser->close();
    pumpUntil([&] { return !browser->get_visible(); }, std::chrono::seconds(3));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(browser->get_visible());
    EXPECT_NE(said.find("quillet: the settings could not be saved"), std::string::npos);
}
