// SPDX-License-Identifier: MIT
// Downloads as the user meets them: one line in the strip per running download, each stopped
// on its own, and a download folder that cannot be made said to the user.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class Downloads : public ::testing::Test {
  protected:
    void SetUp() override {
        PageDownloads& downloads = browser->brwWebBrowser.Downloads();
        downloads.signal_started().connect(
            [this](PageDownloads::Id id, const std::string& name) { ids[name] = id; });
        downloads.signal_finished().connect(
            [this](PageDownloads::Id, const std::string& name, const std::string& path) {
                ended[name] = "saved " + path;
            });
        downloads.signal_failed().connect(
            [this](PageDownloads::Id, const std::string& name, const std::string& why) {
                ended[name] = "failed: " + why;
            });
        browser.waitForPageShown();
    }
    static bool exists(const std::string& name) {
        return fs::exists(fs::path(PageDownloads::folder()) / name);
    }

    LocalHttpServer server;
    BrowserHarness browser;
    std::map<std::string, PageDownloads::Id> ids;
    std::map<std::string, std::string> ended;
};

} // namespace

TEST_F(Downloads, EachRunningDownloadIsStoppedOnItsOwn) {
    const std::string body(256 * 1024, 'd');
    server.add("/one", LocalHttpServer::attachment("one.bin", body, 4096));
    server.add("/two", LocalHttpServer::attachment("two.bin", body, 4096));
    browser.navigateAndWait(server.url("/one"));
    browser.navigateAndWait(server.url("/two"));
    ASSERT_TRUE(pumpUntil([&] { return exists("one.bin.part") && exists("two.bin.part"); }));

    // A line for each, whose 中止 names what it stops.
    DownloadStrip& strip = browser->downloadStrip;
    Gtk::Button* stopOne = strip.cancelButtonOf(ids.at("one.bin"));
    ASSERT_TRUE(stopOne && strip.cancelButtonOf(ids.at("two.bin")));
    EXPECT_EQ(stopOne->get_tooltip_text(), "one.bin のダウンロードを中止");
    ASSERT_TRUE(pumpUntil([&] { return stopOne->get_mapped(); }));

    clickWithPointer(*stopOne);
    ASSERT_TRUE(pumpUntil([&] { return ended.contains("one.bin"); }));
    EXPECT_EQ(ended.at("one.bin"), "failed: 中止しました");
    EXPECT_FALSE(exists("one.bin.part"));
    EXPECT_FALSE(exists("one.bin"));
    EXPECT_FALSE(ended.contains("two.bin")) << "the other download goes on";
    EXPECT_EQ(strip.textOf(ids.at("one.bin"))->get_text(),
              "ダウンロードできませんでした: one.bin (中止しました)");
    EXPECT_TRUE(
        strip.textOf(ids.at("two.bin"))->get_text().raw().starts_with("ダウンロード中: two.bin"));

    server.release("/two");
    ASSERT_TRUE(pumpUntil([&] { return ended.contains("two.bin"); }));
    EXPECT_EQ(ended.at("two.bin"), "saved " + PageDownloads::folder() + "/two.bin");
    EXPECT_EQ(readFile(PageDownloads::folder() + "/two.bin"), body);
    EXPECT_FALSE(exists("two.bin.part"));
    EXPECT_EQ(browser->brwWebBrowser.Downloads().runningCount(), 0u);
}

TEST_F(Downloads, ADownloadFolderThatCannotBeMadeIsSaidSo) {
    const std::string folder = PageDownloads::folder();
    fs::remove_all(folder);
    writeFile(folder, "a file where the folder should be");
    server.add("/report", LocalHttpServer::attachment("report.txt", "the report"));
    browser.navigateAndWait(server.url("/report"));
    ASSERT_TRUE(pumpUntil([&] { return ended.contains("report.txt"); }));
    EXPECT_TRUE(ended.at("report.txt")
                    .starts_with("failed: ダウンロード先のフォルダ " + folder + " を作れません"))
        << ended.at("report.txt");
    EXPECT_EQ(readFile(folder), "a file where the folder should be");
}

TEST(DownloadsAtTheEnd, ARunningDownloadLeavesNoPartFileWhenTheWindowCloses) {
    LocalHttpServer server;
    server.add("/held", LocalHttpServer::attachment("held.bin", std::string(64 * 1024, 'h'), 4096));
    const fs::path part = fs::path(PageDownloads::folder()) / "held.bin.part";
    {
        BrowserHarness browser;
        browser.waitForPageShown();
        browser.navigateAndWait(server.url("/held"));
        ASSERT_TRUE(pumpUntil([&] { return fs::exists(part); }));
    }
    EXPECT_FALSE(fs::exists(part));
    EXPECT_FALSE(fs::exists(part.parent_path() / "held.bin"));
}
