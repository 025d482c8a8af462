// SPDX-License-Identifier: MIT
// The layout on the real window: panes follow the window's size and the pane width, values a
// control refuses stay as they were, and the history-width button cycles the pane.

#include "BrowserHarness.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// The platform keeps whole pixels, and 8000 twips is no whole number of them (the window
// has 533 pixels, 7995 twips): a value of the arithmetic lands within a pixel.
void expectTwips(float real, float computed, const char* what) {
    EXPECT_NEAR(real, computed, 15.0f) << what;
}

void clickHistoryWidth(BrowserHarness& browser) {
    browser->Image1.at(kToolbarHistoryWidth)->clicked();
}

} // namespace

TEST(LayoutWindow, WorkedExampleAt8000By8000) {
    BrowserHarness browser;
    pumpFor(std::chrono::milliseconds(50));
    // The worked example allows 345 twips for the title bar and frame; once the window is on
    // screen the real ones take their place (mutter's are taller), and the rows below move.
    const std::optional<int> decoration = browser->decorationLaidOutFor();
    const float taller = decoration ? static_cast<float>(*decoration) * 15 - 345 : 0;
    expectTwips(browser->placedAddress->width(), 3633.333f, "address box");
    expectTwips(browser->placedPageView->width(), 5333.333f, "page view width");
    expectTwips(browser->placedPageView->height(), 6300 - taller, "page view height");
    expectTwips(browser->placedListView->left(), 5333.333f, "pane left");
    expectTwips(browser->placedListView->width(), 2566.667f, "pane width");
    expectTwips(browser->placedListView->height(), 6300 - taller, "pane height");
    expectTwips(browser->placedLabel1->top(), 7280 - taller, "status top");
    expectTwips(browser->placedLabel1->width(), 7760, "status width");
    expectTwips(browser->placedLabel2->width(), 8000, "band");
    expectTwips(browser->Line1.x2(), 8000, "Line1");
    expectTwips(browser->Line2.x2(), 8000, "Line2");
    expectTwips(browser->placedImage2->left(), 4533.333f, "Go button");
    expectTwips(browser->placedLabel4->left(), 4893.333f, "Go caption");
    expectTwips(browser->Line4.x1(), 5313.333f, "separator");
    expectTwips(browser->placedImage3->left(), 5383.333f, "search button");
    expectTwips(browser->placedLabel5->left(), 5743.333f, "search caption");
    expectTwips(browser->placedImage4->left(), 7300, "size button");
    expectTwips(browser->placedImage5->left(), 7600, "export button");
    expectTwips(browser->placedFrame1->top(), 7280 - taller, "frame top");
    expectTwips(browser->placedFrame1->left(), 4300, "frame left");
    // What the user sees agrees: the pane's real allocation is where the layout put it.
    int paneX = 0, paneY = 0;
    browser->ListView1.translate_coordinates(*browser->get_child(), 0, 0, paneX, paneY);
    EXPECT_EQ(paneX, browser->placedListView->pixelLeft());
    EXPECT_EQ(browser->ListView1.get_allocation().get_width(),
              browser->placedListView->pixelWidth());
}

TEST(LayoutWindow, BelowTheAddressBoxMinimumItKeepsItsWidth) {
    BrowserHarness browser;
    browser.resizeTo(3000, 8000);
    const float addressWidth = browser->placedAddress->width();
    const float goLeft = browser->placedImage2->left();
    browser.resizeTo(2400, 8000); // below 2550 twips for two sixths
    EXPECT_FLOAT_EQ(browser->placedAddress->width(), addressWidth);
    EXPECT_FLOAT_EQ(browser->placedImage2->left(), goLeft);
    EXPECT_FLOAT_EQ(browser->placedPageView->width(), 1605); // 2400 * 4/6 = 1600 -> 107 px
    expectTwips(browser->placedImage5->left(), 2000, "export button");
    expectTwips(browser->placedFrame1->left(), -1300, "frame");
}

TEST(LayoutWindow, VerySmallHeightsKeepThePaneHeights) {
    BrowserHarness browser;
    const float pageHeight = browser->placedPageView->height();
    browser.resizeTo(8000, 1500);
    EXPECT_FLOAT_EQ(browser->placedPageView->height(), pageHeight);
    EXPECT_FLOAT_EQ(browser->placedListView->height(), pageHeight);
    expectTwips(browser->placedLabel2->width(), 8000, "band");
}

TEST(LayoutWindow, PaneWidthZeroGivesThePageViewTheWholeWidth) {
    BrowserHarness browser(StoredSettings{{"width_history", "0"}});
    pumpFor(std::chrono::milliseconds(50));
    expectTwips(browser->placedPageView->width(), 7995, "page view");
    EXPECT_FLOAT_EQ(browser->placedListView->width(), 2055); // the design width, kept
    EXPECT_FLOAT_EQ(browser->placedListView->left(), browser->placedPageView->width());
}

TEST(LayoutWindow, PaneWidthSixAndAbove) {
    BrowserHarness six(StoredSettings{{"width_history", "6"}});
    pumpFor(std::chrono::milliseconds(50));
    EXPECT_FLOAT_EQ(six->placedPageView->width(), 0);
    EXPECT_FLOAT_EQ(six->placedAddress->width(), 3735); // refused: the design width stays
    expectTwips(six->placedListView->width(), 7995 - 100, "pane");

    BrowserHarness seven(StoredSettings{{"width_history", "7"}});
    pumpFor(std::chrono::milliseconds(50));
    EXPECT_FLOAT_EQ(seven->placedPageView->width(), 5400); // refused: the design width stays
    expectTwips(seven->placedListView->width(), 7995.0f * 7 / 6 - 100, "pane");
}

TEST(LayoutWindow, HistoryWidthButtonCyclesTwoThreeOneTwo) {
    BrowserHarness browser;
    const float W = browser->Width();
    for (double expected : {3.0, 1.0, 2.0, 3.0}) {
        clickHistoryWidth(browser);
        EXPECT_EQ(browser->historyWidth(), expected);
        // The layout ran at once, without any change of window size.
        expectTwips(browser->placedListView->width(), W * expected / 6 - 100, "pane");
    }
}

TEST(LayoutWindow, HistoryWidthFromUnusualStoredValuesKeepsAddingOne) {
    BrowserHarness five(StoredSettings{{"width_history", "5"}});
    clickHistoryWidth(five);
    EXPECT_EQ(five->historyWidth(), 6);
    clickHistoryWidth(five);
    EXPECT_EQ(five->historyWidth(), 7);

    BrowserHarness half(StoredSettings{{"width_history", "2.5"}});
    clickHistoryWidth(half);
    EXPECT_EQ(half->historyWidth(), 3.5);
    clickHistoryWidth(half);
    EXPECT_EQ(half->historyWidth(), 4.5);
}
