// SPDX-License-Identifier: MIT
#include "SearchText.h"

#include <algorithm>
#include <glib.h>
#include <gtest/gtest.h>
#include <random>

using namespace quillet;
using Terms = std::vector<std::string>;

namespace {

Terms termsOf(std::string_view text, TermsFor use = TermsFor::Text) {
    Terms texts;
    for (const SearchTerm& term : searchTerms(text, use))
        texts.push_back(term.text);
    return texts;
}

} // namespace

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
    EXPECT_EQ(termsOf("Hello, World! 2024年"), (Terms{"hello", "world", "2024", "年"}));
    EXPECT_EQ(termsOf("don't-stop"), (Terms{"don", "t", "stop"}));
    EXPECT_EQ(termsOf("   "), Terms{});
}

TEST(SearchTerms, JapaneseRunsBecomePairsAndTheirLastCharacter) {
    EXPECT_EQ(termsOf("東京都"), (Terms{"東京", "京都", "都"}));
    EXPECT_EQ(termsOf("設定"), (Terms{"設定", "定"}));
    EXPECT_EQ(termsOf("あ"), (Terms{"あ"}));
    // Kana and kanji run together; Latin and punctuation break a run.
    EXPECT_EQ(termsOf("Quillet の設定。ﾃｽﾄ"),
              (Terms{"quillet", "の設", "設定", "定", "てす", "すと", "と"}));
}

TEST(SearchTerms, EveryWordOfAPageIsFoundAmongItsTerms) {
    // A word of two or more Japanese characters is the run of its pieces; one character is
    // the first character of a piece or a run's last character.
    const Terms page = termsOf("今日は東京タワーへ行きました");
    const auto has = [&](const std::string& term) {
        return std::find(page.begin(), page.end(), term) != page.end();
    };
    for (const char* query : {"東京", "タワー", "たわー", "行き", "ﾀﾜｰ"})
        for (const std::string& term : termsOf(query, TermsFor::Query))
            EXPECT_TRUE(has(term)) << query << ": " << term;
    EXPECT_TRUE(has("た")); // た at the end of the run
    EXPECT_TRUE(has("今日"));
}

TEST(SearchTerms, EachTermKnowsTheBytesItCameFrom) {
    // Snippets mark the page's own text: the folded terms point back into it.
    const std::string text = "Ｑｕｉｌｌｅｔ ｶﾞｲﾄﾞ";
    const std::vector<SearchTerm> terms = searchTerms(text);
    ASSERT_EQ(terms.size(), 4u);
    EXPECT_EQ(terms[0], (SearchTerm{"quillet", 0, 21}));
    EXPECT_EQ(text.substr(terms[1].begin, terms[1].end - terms[1].begin), "ｶﾞｲ");
    EXPECT_EQ(terms[1].text, "がい");
    EXPECT_EQ(text.substr(terms[3].begin, terms[3].end - terms[3].begin), "ﾄﾞ");
}

TEST(SearchTerms, AQueryLooksForPiecesOnly) {
    EXPECT_EQ(termsOf("東京都", TermsFor::Query), (Terms{"東京", "京都"}));
    EXPECT_EQ(termsOf("都", TermsFor::Query), (Terms{"都"}));
    EXPECT_EQ(termsOf("Tokyo 東京", TermsFor::Query), (Terms{"tokyo", "東京"}));
}

// Only a Japanese pair is a whole term of the index: anything else may begin longer terms.
TEST(SearchTerms, AWordEndingInAJapanesePairIsLookedUpWhole) {
    for (const char* whole : {"東京", "東京都", "パッケージ", "ﾊﾟｯｹｰｼﾞ", "quillet設定", "ーく"})
        EXPECT_TRUE(endsInWholeTerm(whole)) << whole;
    for (const char* beginning : {"東", "設定a", "apt", "a", "ab", "12", "", "!?"})
        EXPECT_FALSE(endsInWholeTerm(beginning)) << beginning;
}

// A long text is read a part at a time, with the terms it has all at once, wherever the parts
// end: the index takes a page's terms out again by reading its text anew, and any difference
// would leave terms behind.
TEST(SearchTerms, ALongTextReadInPartsHasTheTermsOfTheWhole) {
    std::string longRun;
    for (int i = 0; i < 400; ++i)
        longRun += "あ";
    const std::vector<std::string> pieces = {
        "設定",    "パッケージ", "ｶﾞｷﾞ",     "か\u3099",
        "apt-get", "x'\u0301y",  "1.5",      " ",
        "\n",      "。",         "、",       "_",
        "\"",      "Quillet",    "\xff\xfe", std::string(1, '\0'),
        "ー",      "々",         "Ω",        "e\u0301",
        "!",       "(",          "東京都",   "ﾞ",
        "ＡＢＣ",  longRun};
    std::mt19937 random(42);
    for (int text = 0; text < 20; ++text) {
        std::string whole;
        while (whole.size() < 20'000)
            whole += pieces[random() % pieces.size()];
        for (const TermsFor use : {TermsFor::Text, TermsFor::Query}) {
            std::vector<SearchTerm> inParts;
            eachSearchTerm(whole, use, [&](const SearchTerm& term) {
                inParts.push_back(term);
                return true;
            });
            EXPECT_TRUE(inParts == searchTerms(whole, use)) << whole;
        }
    }
    int taken = 0; // until `each` says no more
    eachSearchTerm("a b c d", TermsFor::Text, [&](const SearchTerm&) { return ++taken < 2; });
    EXPECT_EQ(taken, 2);
}
