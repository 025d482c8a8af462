// SPDX-License-Identifier: MIT
// Downloads get a name of their own: never an existing file's, never outside the folder.

#include "DownloadNames.h"

#include <gtest/gtest.h>
#include <set>

using namespace quillet;

TEST(DownloadNames, TheSuggestedNameIsOneSafeName) {
    EXPECT_EQ(safeDownloadName("report.txt"), "report.txt");
    EXPECT_EQ(safeDownloadName("../../etc/passwd"), "passwd");
    EXPECT_EQ(safeDownloadName("a\\b\\c.zip"), "c.zip");
    EXPECT_EQ(safeDownloadName(".bashrc"), "bashrc");
    EXPECT_EQ(safeDownloadName(""), "download");
    EXPECT_EQ(safeDownloadName("dir/"), "download");
    EXPECT_EQ(safeDownloadName("日本語の資料.pdf"), "日本語の資料.pdf");
}

TEST(DownloadNames, ANameInUseGetsTheNextFreeNumber) {
    std::set<std::string> files;
    const auto taken = [&](const std::string& path) { return files.count(path) > 0; };
    EXPECT_EQ(freeDownloadPath("/d", "report.txt", taken), "/d/report.txt");
    files = {"/d/report.txt", "/d/report (1).txt"};
    EXPECT_EQ(freeDownloadPath("/d", "report.txt", taken), "/d/report (2).txt");
    files = {"/d/archive.tar.gz"};
    EXPECT_EQ(freeDownloadPath("/d", "archive.tar.gz", taken), "/d/archive.tar (1).gz");
    files = {"/d/README"};
    EXPECT_EQ(freeDownloadPath("/d", "README", taken), "/d/README (1)");
}
