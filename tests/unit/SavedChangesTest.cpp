// SPDX-License-Identifier: MIT
#include "SavedChanges.h"
#include "SavedChangesPage.h"
#include "SavedPageAddress.h"
#include "TimelineDays.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

// The text with its changes marked as [+added] and [-removed], a paragraph a line.
std::string marked(const TextChanges& changes) {
    std::string text;
    for (const ChangedParagraph& paragraph : changes.paragraphs) {
        for (const ChangedPiece& piece : paragraph.pieces)
            text += piece.change == Change::Added     ? "[+" + piece.text + "]"
                    : piece.change == Change::Removed ? "[-" + piece.text + "]"
                                                      : piece.text;
        text += "\n";
    }
    return text;
}

} // namespace

TEST(SavedChanges, ParagraphsAddedAndRemovedAreMarkedWhole) {
    const auto changes = textChanges("見出し\n古い段落はここまで\n終わり\n",
                                     "見出し\n終わり\nThe new paragraph at the end\n");
    EXPECT_EQ(marked(changes),
              "見出し\n[-古い段落はここまで]\n終わり\n[+The new paragraph at the end]\n");
    EXPECT_EQ(changes.added, 1);
    EXPECT_EQ(changes.removed, 1);
    // Blank lines and the spaces around a line are no paragraphs of their own.
    EXPECT_EQ(marked(textChanges("a\n\n  b  \r\n", "a\nb")), "a\nb\n");
    EXPECT_EQ(textChanges("a\nb", "a\nb").added, 0);
    EXPECT_TRUE(textChanges("", "").paragraphs.empty());
}

TEST(SavedChanges, AnEditedParagraphIsMarkedByWordAndJapaneseByCharacter) {
    EXPECT_EQ(marked(textChanges("The price is 1200 yen today", "The price is 1500 yen today")),
              "The price is [-1200][+1500] yen today\n");
    EXPECT_EQ(
        marked(textChanges("ネットワークの設定を変更します。", "ネットワークの設定を確認します。")),
        "ネットワークの設定を[-変更][+確認]します。\n");
    // Full-width digits are compared one by one, as the Japanese around them.
    EXPECT_EQ(marked(textChanges("価格は１２００円", "価格は１５００円")),
              "価格は１[-２][+５]００円\n");
    // A paragraph replaced by one with little in common is one removed and one added.
    EXPECT_EQ(
        marked(textChanges("見出し\nまったく別の文章です\n", "見出し\nCompletely new words\n")),
        "見出し\n[-まったく別の文章です]\n[+Completely new words]\n");
}

TEST(SavedChanges, ThePageEscapesWhatThePagesSaidAndMarksTheChanges) {
    const StoredTime before = *parseLocalDate("2026-12-01") + 9 * 3600;
    const StoredTime after = *parseLocalDate("2026-12-08") + 14 * 3600 + 3 * 60;
    const std::string page =
        savedChangesPage({"http://a.test/?x=<y>", "<b>設定</b>", before, after},
                         textChanges("<script>x()</script>\n値は 1 です", "値は 2 です"));
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("<title>&lt;b&gt;設定&lt;/b&gt; の変更</title>"), std::string::npos);
    EXPECT_NE(page.find("<del>&lt;script&gt;x()&lt;/script&gt;</del>"), std::string::npos) << page;
    EXPECT_NE(page.find("値は <del>1</del><ins>2</ins> です"), std::string::npos) << page;
    EXPECT_NE(
        page.find(
            "2026年12月1日 9:00 に保存したページから 2026年12月8日 14:03 に保存したページへの変更"),
        std::string::npos);
    EXPECT_NE(page.find("追加 1 か所、削除 2 か所"), std::string::npos);
    EXPECT_NE(page.find("default-src 'none'"), std::string::npos) << "no script, no request";
    EXPECT_NE(savedChangesPage({"http://a.test/", "", before, after}, textChanges("a", "a"))
                  .find("文章に変わったところはありません"),
              std::string::npos);
}

TEST(SavedChanges, TheStripNamesTheLastVersionsDayAndItsYearWhenAnother) {
    const StoredTime now = *parseLocalDate("2026-12-08") + 12 * 3600;
    EXPECT_EQ(changedSinceNotice(*parseLocalDate("2026-12-01") + 3600, now),
              "前回 (12月1日) から変わりました");
    EXPECT_EQ(changedSinceNotice(*parseLocalDate("2025-12-31") + 3600, now),
              "前回 (2025年12月31日) から変わりました");
    const std::string changes = savedChangesAddress("http://a.test/", 5);
    EXPECT_EQ(changes, "quillet://saved/changes?a=http%3A%2F%2Fa.test%2F&t=5");
    EXPECT_TRUE(readSavedPageAddress(changes)->changes);
    EXPECT_FALSE(readSavedPageAddress(savedPageAddress("http://a.test/", 5))->changes);
    EXPECT_FALSE(readSavedPageAddress("quillet://saved/other?a=x&t=5"));
}
