// SPDX-License-Identifier: MIT
#include "ExportWriter.h"
#include "TestFiles.h"
#include "modPublic.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace quillet;
using quillet::modPublic::ReplaceAll;

TEST(ReplaceAll, ReplacesEveryOccurrenceInPlaceAndCounts) {
    std::string text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "aa"), 3);
    EXPECT_EQ(text, "aaaaaa");
    text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "aa", 2), 2);
    EXPECT_EQ(text, "aaaaa");
    text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "b", 0), 3);
    text = "aaa";
    EXPECT_EQ(ReplaceAll(text, "a", "b", -1), 3);
    EXPECT_EQ(text, "bbb");
    text = "aaaa";
    EXPECT_EQ(ReplaceAll(text, "a", "b", 2.5), 2); // a limit is rounded half to even
    EXPECT_EQ(text, "bbaa");
}

TEST(ReplaceAll, EdgeCases) {
    std::string empty;
    EXPECT_EQ(ReplaceAll(empty, "a", "b"), 0);
    EXPECT_EQ(empty, "");
    std::string text = "xaxa";
    EXPECT_EQ(ReplaceAll(text, "a", "ba"), 2); // never looks into what it inserted
    EXPECT_EQ(text, "xbaxba");
    text = "abcabc";
    EXPECT_EQ(ReplaceAll(text, "abc", ""), 2);
    EXPECT_EQ(text, "");
    text = "Aa";
    EXPECT_EQ(ReplaceAll(text, "a", "_"), 1); // case-sensitive
    EXPECT_EQ(text, "A_");
    text = "日本語の/題名";
    EXPECT_EQ(ReplaceAll(text, "/", "_"), 1);
    EXPECT_EQ(text, "日本語の_題名");
    EXPECT_THROW(ReplaceAll(text, "", "x"), std::invalid_argument);
    EXPECT_THROW(ReplaceAll(text, "a", "b", 1e12), std::overflow_error);
}

TEST(ShortcutFileName, ReplacesTheElevenCharactersAndNothingElse) {
    EXPECT_EQ(shortcutFileName("a/b:c"), "a_b_c");
    EXPECT_EQ(shortcutFileName("x?<y>"), "x__y_");
    EXPECT_EQ(shortcutFileName("\\/:,;*?\"<>|"), "___________");
    EXPECT_EQ(shortcutFileName("tab\there"), "tab\there");
    EXPECT_EQ(shortcutFileName("trailing."), "trailing.");
    EXPECT_EQ(shortcutFileName(" leading"), " leading");
    EXPECT_EQ(shortcutFileName("ＭＳ Ｐゴシック｜全角"), "ＭＳ Ｐゴシック｜全角");
    EXPECT_EQ(shortcutFileName(""), "");
}

namespace {

// History entries kept in memory, with thumbnails as ready-made bitmap bytes.
struct MemorySource : ExportSource {
    std::vector<ExportEntry> entries;
    std::map<std::string, std::vector<std::uint8_t>> bitmaps;
    int count() const override { return static_cast<int>(entries.size()); }
    ExportEntry entry(int index) const override { return entries.at(index - 1); }
    void clearCheck(int index) override { entries.at(index - 1).checked = false; }
    std::vector<std::uint8_t> bitmapFile(const std::string& key) override {
        return bitmaps.at(key);
    }
    void add(std::string title, std::string address, bool checked) {
        const std::string key = address;
        entries.push_back({std::move(title), std::move(address), key, checked});
        bitmaps[key] = {'B', 'M', static_cast<std::uint8_t>(entries.size())};
    }
};

class ExportWriter : public ::testing::Test {
  protected:
    std::string read(const std::string& name) const { return test::readFile(folder + "/" + name); }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    test::TempFolder temporary;
    const std::string folder = temporary.path();
    MemorySource history;
};

} // namespace

TEST_F(ExportWriter, WritesExactShortcutsForTickedEntriesInOrderAndUnticksThem) {
    history.add("Top", "http://example.com/", true);
    history.add("Skipped", "http://example.com/skip", false);
    history.add("日本語 / ページ", "http://例え.jp/パス?q=a b", true);
    const ExportResult result = exportCheckedEntries(history, folder, false);
    EXPECT_EQ(result.exported, 2);
    EXPECT_FALSE(result.failure);
    EXPECT_EQ(files(), (std::vector<std::string>{"Top.url", "日本語 _ ページ.url"}));
    EXPECT_EQ(read("Top.url"), "[InternetShortcut]\r\nURL=http://example.com/\r\n");
    EXPECT_EQ(read("日本語 _ ページ.url"),
              "[InternetShortcut]\r\nURL=http://例え.jp/パス?q=a b\r\n");
    EXPECT_FALSE(history.entries[0].checked);
    EXPECT_FALSE(history.entries[1].checked);
    EXPECT_FALSE(history.entries[2].checked);
}

TEST_F(ExportWriter, FilesGetTheModeTheUsersUmaskAllows) {
    // A user who keeps their files private (umask 077) gets private exports; 022 gives the
    // usual readable files. The masks are put back whatever happens.
    const mode_t before = ::umask(077);
    history.add("Private", "http://example.com/private", true);
    exportCheckedEntries(history, folder, false);
    ::umask(022);
    history.add("Shared", "http://example.com/shared", true);
    exportCheckedEntries(history, folder, false);
    ::umask(before);
    EXPECT_EQ(fs::status(folder + "/Private.url").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder + "/Shared.url").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST_F(ExportWriter, BitmapsBesideShortcutsAndTheSameNameTwice) {
    history.add("a:b", "http://one/", true);
    history.add("a/b", "http://two/", true);
    const ExportResult result = exportCheckedEntries(history, folder, true);
    EXPECT_EQ(result.exported, 2);
    EXPECT_EQ(files(), (std::vector<std::string>{"a_b.bmp", "a_b.url"}));
    EXPECT_EQ(read("a_b.url"), "[InternetShortcut]\r\nURL=http://two/\r\n"); // later wins
    EXPECT_EQ(read("a_b.bmp"), std::string("BM\x02", 3));
}

TEST_F(ExportWriter, WithoutBitmapsAnExistingBitmapIsLeftAlone) {
    std::ofstream(folder + "/Page.bmp") << "the user's own";
    history.add("Page", "http://page/", true);
    exportCheckedEntries(history, folder, false);
    EXPECT_EQ(read("Page.bmp"), "the user's own");
    EXPECT_EQ(read("Page.url"), "[InternetShortcut]\r\nURL=http://page/\r\n");
}

TEST_F(ExportWriter, NothingTickedWritesNothing) {
    history.add("Page", "http://page/", false);
    const ExportResult result = exportCheckedEntries(history, folder, true);
    EXPECT_EQ(result.exported, 0);
    EXPECT_FALSE(result.failure);
    EXPECT_TRUE(files().empty());
    MemorySource empty;
    EXPECT_EQ(exportCheckedEntries(empty, folder, true).exported, 0);
}

TEST_F(ExportWriter, AFailingEntryStopsTheRunThereWithoutHalfFiles) {
    history.add("First", "http://first/", true);
    history.add(std::string(300, 'x'), "http://too-long/", true); // no file system takes it
    history.add("Third", "http://third/", true);
    const ExportResult result = exportCheckedEntries(history, folder, true);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->index, 2);
    EXPECT_EQ(result.failure->title, std::string(300, 'x'));
    EXPECT_FALSE(result.failure->reason.empty());
    EXPECT_EQ(files(), (std::vector<std::string>{"First.bmp", "First.url"})); // no leftovers
    EXPECT_FALSE(history.entries[0].checked);
    EXPECT_TRUE(history.entries[1].checked);
    EXPECT_TRUE(history.entries[2].checked);
}

TEST_F(ExportWriter, AMissingThumbnailStopsAfterItsShortcut) {
    history.add("Lost", "http://lost/", true);
    history.bitmaps.clear();
    const ExportResult result = exportCheckedEntries(history, folder, true);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(files(), (std::vector<std::string>{"Lost.url"}));
    EXPECT_TRUE(history.entries[0].checked);
}

TEST_F(ExportWriter, AVanishedFolderFailsAtTheFirstEntry) {
    history.add("Page", "http://page/", true);
    const ExportResult result = exportCheckedEntries(history, folder + "/gone", false);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->index, 1);
    EXPECT_TRUE(history.entries[0].checked);
}

TEST_F(ExportWriter, ASymbolicLinkIsReplacedNotWrittenThrough) {
    const std::string outside = folder + "-outside";
    std::ofstream(outside) << "must stay";
    fs::create_symlink(outside, folder + "/Page.url");
    history.add("Page", "http://page/", true);
    EXPECT_FALSE(exportCheckedEntries(history, folder, false).failure);
    EXPECT_FALSE(fs::is_symlink(folder + "/Page.url"));
    EXPECT_EQ(read("Page.url"), "[InternetShortcut]\r\nURL=http://page/\r\n");
    EXPECT_EQ(test::readFile(outside), "must stay");
    fs::remove(outside);
}

TEST_F(ExportWriter, NamesStayInsideTheFolder) {
    history.add("..", "http://dots/", true);
    history.add("../../etc/passwd", "http://escape/", true);
    history.add(".", "http://dot/", true);
    EXPECT_FALSE(exportCheckedEntries(history, folder, false).failure);
    EXPECT_EQ(files(), (std::vector<std::string>{"...url", ".._.._etc_passwd.url", "..url"}));
}

TEST_F(ExportWriter, HostileTitlesStayInTheFolderOrStopWithTheirEntryNamed) {
    history.add("line\nbreak", "http://newline/", true);
    history.add("\\/:,;*?\"<>|", "http://all-eleven/", true);
    history.add(std::string(1000, 'z'), "http://very-long/", true);
    history.add("after", "http://after/", true);
    const ExportResult result = exportCheckedEntries(history, folder, true);
    EXPECT_EQ(files(), (std::vector<std::string>{"___________.bmp", "___________.url",
                                                 "line\nbreak.bmp", "line\nbreak.url"}));
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->index, 3);
    EXPECT_TRUE(history.entries[3].checked);
    const fs::path parent = fs::path(folder).parent_path();
    EXPECT_FALSE(fs::exists(parent / "___________.url")); // nothing escaped the folder
    EXPECT_FALSE(fs::exists(parent / "line\nbreak.url"));
}
