// SPDX-License-Identifier: MIT
#include "SearchText.h"

#include <algorithm>
#include <glib.h>
#include <gtest/gtest.h>

using namespace quillet;
using Terms = std::vector<std::string>;

TEST(FoldForSearch, WidthCaseAndKanaFoldToOneForm) {
    EXPECT_EQ(foldForSearch("ＡＢＣ"), "abc");
    EXPECT_EQ(foldForSearch("ABC"), "abc");
    EXPECT_EQ(foldForSearch("ｶﾀｶﾅ"), "かたかな");
    EXPECT_EQ(foldForSearch("カタカナ"), "かたかな");
    EXPECT_EQ(foldForSearch("ｶﾞｲﾄﾞ"), "がいど"); // half-width voiced marks join their kana
    EXPECT_EQ(foldForSearch("１２３"), "123");
    EXPECT_EQ(foldForSearch("Straße"), "strasse");
    EXPECT_EQ(foldForSearch("東京"), "東京");
    EXPECT_EQ(foldForSearch("コーヒー"), "こーひー"); // the long mark stays
}

TEST(FoldForSearch, AnyBytesBecomeValidTextWithoutNul) {
    const std::string folded = foldForSearch(std::string("a\0b\xff\xed\xa0\x80", 7));
    EXPECT_TRUE(g_utf8_validate(folded.data(), static_cast<gssize>(folded.size()), nullptr));
    EXPECT_EQ(folded.find('\0'), std::string::npos);
    EXPECT_TRUE(folded.starts_with("a\xEF\xBF\xBD"
                                   "b"))
        << folded;
    EXPECT_EQ(foldForSearch(""), "");
}

TEST(SearchTerms, LatinWordsStayWhole) {
    EXPECT_EQ(searchTerms(foldForSearch("Hello, World! 2024年")),
              (Terms{"hello", "world", "2024", "年"}));
    EXPECT_EQ(searchTerms("don't-stop"), (Terms{"don", "t", "stop"}));
    EXPECT_EQ(searchTerms("   "), Terms{});
}

TEST(SearchTerms, JapaneseRunsBecomePairsAndTheirLastCharacter) {
    EXPECT_EQ(searchTerms("東京都"), (Terms{"東京", "京都", "都"}));
    EXPECT_EQ(searchTerms("設定"), (Terms{"設定", "定"}));
    EXPECT_EQ(searchTerms("あ"), (Terms{"あ"}));
    // Kana and kanji run together; Latin and punctuation break a run.
    EXPECT_EQ(searchTerms(foldForSearch("Quillet の設定。ﾃｽﾄ")),
              (Terms{"quillet", "の設", "設定", "定", "てす", "すと", "と"}));
}

TEST(SearchTerms, EveryWordOfAPageIsFoundAmongItsTerms) {
    // A word of two or more Japanese characters is the run of its pieces; one character is
    // the first character of a piece or a run's last character.
    const Terms page = searchTerms(foldForSearch("今日は東京タワーへ行きました"));
    const auto has = [&](const std::string& term) {
        return std::find(page.begin(), page.end(), term) != page.end();
    };
    for (const char* query : {"東京", "たわー", "行き"}) {
        for (const std::string& term : searchTerms(foldForSearch(query))) {
            if (g_utf8_strlen(term.c_str(), -1) == 2) {
                EXPECT_TRUE(has(term)) << query << ": " << term;
            }
        }
    }
    EXPECT_TRUE(has("た")); // た at the end of the run
    EXPECT_TRUE(has("今日"));
}
