// SPDX-License-Identifier: MIT
// Page capture with the real page view: thumbnails show what the window showed, entries are
// keyed by address, and the history stops at 32,767 entries.

#include "BrowserHarness.h"
#include "Form1.h"
#include "LocalHttpServer.h"
#include "ThumbnailCodec.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

struct Rgb {
    int r, g, b;
};

Rgb pixelAt(const Glib::RefPtr<Gdk::Pixbuf>& picture, int x, int y) {
    const guint8* p =
        picture->get_pixels() + y * picture->get_rowstride() + x * picture->get_n_channels();
    return {p[0], p[1], p[2]};
}

void expectColour(Rgb real, Rgb expected, const std::string& where) {
    EXPECT_NEAR(real.r, expected.r, 3) << where;
    EXPECT_NEAR(real.g, expected.g, 3) << where;
    EXPECT_NEAR(real.b, expected.b, 3) << where;
}

class HistoryCapture : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/red", LocalHttpServer::solidPage("Red", "#E01020"));
        server.add("/green", LocalHttpServer::solidPage("Green", "#10C040"));
        server.add("/quadrants",
                   LocalHttpServer::htmlPage(R"(<!DOCTYPE html><title>Quadrants</title><style>
            html, body { margin: 0; height: 100%; overflow: hidden }
            div { position: fixed; width: 50%; height: 50% }
          </style>
          <div style="left:0;top:0;background:#FF0000"></div>
          <div style="right:0;top:0;background:#00FF00"></div>
          <div style="left:0;bottom:0;background:#0000FF"></div>
          <div style="right:0;bottom:0;background:#FFFF00"></div>)"));
    }
    Glib::RefPtr<Gdk::Pixbuf> thumbnail(BrowserHarness& browser, int position) {
        return unpackThumbnail(browser.thumbnail(position));
    }
    LocalHttpServer server;
};

} // namespace

TEST_F(HistoryCapture, ASolidPageGivesAThumbnailOfItsColour) {
    BrowserHarness browser;
    browser.waitForPageShown();
    ASSERT_EQ(browser.entryCount(), 1); // the home page
    browser.navigateAndWait(server.url("/red"));
    ASSERT_EQ(browser.thumbnailCount(), 2);
    // The web-process extension told the window of the page's frame: it was not taken as
    // shown only after the longest wait.
    EXPECT_FALSE(browser->brwWebBrowser.FirstFrameWaitRanOut());
    auto picture = thumbnail(browser, 2);
    ASSERT_EQ(picture->get_width(), 120);
    ASSERT_EQ(picture->get_height(), 120);
    for (int y = 0; y < 120; y += 7)
        for (int x = 0; x < 120; x += 7)
            expectColour(pixelAt(picture, x, y), {0xE0, 0x10, 0x20},
                         std::to_string(x) + "," + std::to_string(y));
    // The scratch surface keeps the last thumbnail made.
    EXPECT_EQ(browser->Picture2.image()->get_width(), 120);
    EXPECT_FLOAT_EQ(browser->placedPicture2->width(), 1800);
}

TEST_F(HistoryCapture, TheStripsOverThePageStayOutOfItsThumbnail) {
    server.add("/held.bin",
               LocalHttpServer::attachment("held.bin", std::string(64 * 1024, 'x'), 1024));
    BrowserHarness browser;
    browser.waitForPageShown();
    // A download that keeps running and the find field, both over the page view's foot.
    browser.navigateAndWait(server.url("/held.bin"));
    browser->findBar.open();
    ASSERT_TRUE(pumpUntil(
        [&] { return browser->downloadStrip.get_mapped() && browser->findBar.get_mapped(); }));
    browser.navigateAndWait(server.url("/red"));
    ASSERT_TRUE(browser->downloadStrip.get_mapped());
    auto picture = thumbnail(browser, 2);
    int notRed = 0;
    for (int y = 0; y < picture->get_height(); ++y)
        for (int x = 0; x < picture->get_width(); ++x) {
            const Rgb pixel = pixelAt(picture, x, y);
            notRed += std::abs(pixel.r - 0xE0) > 3 || std::abs(pixel.g - 0x10) > 3 ||
                      std::abs(pixel.b - 0x20) > 3;
        }
    EXPECT_EQ(notRed, 0);
    server.release("/held.bin");
}

TEST_F(HistoryCapture, FourQuadrantsLandInTheRightCornersAveragedAtTheSeams) {
    BrowserHarness browser;
    browser.waitForPageShown();
    browser.navigateAndWait(server.url("/quadrants"));
    auto picture = thumbnail(browser, 2);
    expectColour(pixelAt(picture, 2, 2), {255, 0, 0}, "top left");
    expectColour(pixelAt(picture, 117, 2), {0, 255, 0}, "top right");
    expectColour(pixelAt(picture, 2, 117), {0, 0, 255}, "bottom left");
    expectColour(pixelAt(picture, 117, 117), {255, 255, 0}, "bottom right");
    // The page view's centre, less the uneven margin, falls a little right of and below the
    // thumbnail's centre. Where a thumbnail pixel straddles the seam it averages red and
    // green; dropping pixels would leave only pure colours.
    bool mixed = false;
    for (int x = 50; x < 70; ++x) {
        const Rgb seam = pixelAt(picture, x, 10);
        mixed = mixed || (seam.r > 3 && seam.r < 252 && seam.g > 3 && seam.g < 252);
    }
    EXPECT_TRUE(mixed);
}

TEST_F(HistoryCapture, ThumbnailSizeFollowsTxAndTyWhateverThePageShape) {
    BrowserHarness browser(StoredSettings{{"width_thumb", "160"}, {"height_thumb", "120"}});
    browser.waitForPageShown();
    browser.navigateAndWait(server.url("/green"));
    EXPECT_EQ(browser.thumbnailSize().width, 160);
    EXPECT_EQ(browser.thumbnailSize().height, 120);
    auto picture = thumbnail(browser, 2);
    EXPECT_EQ(picture->get_width(), 160);
    EXPECT_EQ(picture->get_height(), 120);
    expectColour(pixelAt(picture, 159, 119), {0x10, 0xC0, 0x40}, "stretched, not cropped");
}

TEST_F(HistoryCapture, EachDistinctAddressBecomesTheNextEntryAndRevisitsAddNothing) {
    // The window's clock, moved on by hand.
    auto now = localTimeAt(2024, 5, 1, 9, 5, 3);
    BrowserHarness browser({}, [&] { return now; });
    browser.waitForPageShown();
    EXPECT_EQ(browser.entry(1).key, kHomeAddress);
    EXPECT_EQ(browser.entry(1).subItem2, "2024/05/01 09:05:03");

    now = localTimeAt(2024, 5, 1, 21, 5, 3);
    browser.navigateAndWait(server.url("/red"));
    browser.navigateAndWait(server.url("/green"));
    ASSERT_EQ(browser.entryCount(), 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(browser.entry(k).smallIcon, k);
        EXPECT_EQ(browser.thumbnail(browser.entry(k).key).bytes, browser.thumbnail(k).bytes);
    }
    const ListItem& red = browser.entry(2);
    EXPECT_EQ(red.key, server.url("/red"));
    EXPECT_EQ(red.text, server.url("/red"));
    EXPECT_EQ(red.subItem1, "Red");
    EXPECT_EQ(red.subItem2, "2024/05/01 21:05:03");
    EXPECT_FALSE(red.checked);

    // Back, reload and typing the address again add nothing and leave the entry as it was.
    now = localTimeAt(2025, 1, 2, 3, 4, 5);
    browser.tickEntry(2, true);
    const auto packed = browser.thumbnail(2).bytes;
    browser.loadAndWait([&] { browser->Image1.at(kToolbarBack)->clicked(); });
    browser.loadAndWait([&] { browser->Image1.at(kToolbarRefresh)->clicked(); });
    browser.navigateAndWait(server.url("/red"));
    EXPECT_EQ(browser.entryCount(), 3);
    EXPECT_EQ(browser.thumbnailCount(), 3);
    EXPECT_EQ(browser.entry(2).subItem2, "2024/05/01 21:05:03");
    EXPECT_EQ(browser.entry(2).subItem1, "Red");
    EXPECT_TRUE(browser.entry(2).checked);
    EXPECT_EQ(browser.thumbnail(2).bytes, packed);
}

TEST_F(HistoryCapture, ATinyPageViewStillMakesAnEntry) {
    // Six sixths leave the page view no width at all: the copy has no pixels to take.
    BrowserHarness browser(StoredSettings{{"width_history", "6"}});
    browser.waitForPageShown();
    ASSERT_EQ(browser.entryCount(), 1);
    auto picture = thumbnail(browser, 1);
    expectColour(pixelAt(picture, 60, 60), {0xEE, 0xF2, 0xF1}, "window background");
}

TEST_F(HistoryCapture, TheHistoryStopsAt32767Entries) {
    BrowserHarness browser;
    browser.waitForPageShown();
    browser.addEntriesLike(1, 32765);
    browser.navigateAndWait(server.url("/red"));
    ASSERT_EQ(browser.thumbnailCount(), 32767);
    EXPECT_EQ(browser.entry(32767).key, server.url("/red"));
    browser.navigateAndWait(server.url("/green"));
    EXPECT_EQ(browser.thumbnailCount(), 32767);
    EXPECT_EQ(browser.entryCount(), 32767);
    EXPECT_FALSE(browser.hasEntry(server.url("/green")));
}

TEST_F(HistoryCapture, TheNextStartCapturesAtTheSizeChosenInTheDialog) {
    TempFolder folder;
    {
        BrowserHarness first({}, std::chrono::system_clock::now, folder.path());
        first->Image4.clicked();
        Form1& dialog = *first->thumbnailSizeDialog();
        dialog.Text1.set_text("100");
        dialog.Text2.set_text("80");
        MessageBoxAnswerer answers;
        dialog.Command1.clicked();
        first->close();
        pumpUntil([&] { return !first->get_visible(); });
    }
    BrowserHarness next({}, std::chrono::system_clock::now, folder.path());
    ASSERT_TRUE(pumpUntil([&] { return next.thumbnailCount() == 1; }));
    EXPECT_EQ(next.thumbnailSize(), (PixelSize{100, 80}));
    EXPECT_EQ(unpackThumbnail(next.thumbnail(1))->get_width(), 100);
}
