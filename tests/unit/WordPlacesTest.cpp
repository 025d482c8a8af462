// SPDX-License-Identifier: MIT
#include "WordPlaces.h"

#include "SearchText.h"

#include <glib.h>
#include <gtest/gtest.h>

using namespace quillet;

namespace {

long characters(const std::string& text) {
    return g_utf8_strlen(text.c_str(), static_cast<gssize>(text.size()));
}

} // namespace

TEST(MatchSnippet, ShowsTheTextAroundTheFirstPlaceOfAnyWordOnOneLine) {
    const std::string text = "はじめに\n\n無線ネットワークの設定を変える。  Quillet browser の設定";
    EXPECT_EQ(matchSnippet(text, TypedWords("設定")),
              "はじめに 無線ネットワークの設定を変える。 Quillet browser の設定");
    // Any of the words, the first in the text; found as the index finds them.
    EXPECT_EQ(matchSnippet(text, TypedWords("brow 存在しない")),
              "…ネットワークの設定を変える。 Quillet browser の設定");
    EXPECT_NE(matchSnippet(text, TypedWords("ﾈｯﾄﾜｰｸ")).find("ネットワーク"), std::string::npos);
    // No word in the text (it was in the title): its beginning.
    EXPECT_EQ(matchSnippet("本文 だけ", TypedWords("題名")), "本文 だけ");
    EXPECT_EQ(matchSnippet("", TypedWords("題名")), "");
    // Nor one further in than the words are looked for: the text's beginning.
    std::string longText = "冒頭の文";
    while (longText.size() < kSnippetSearchBytes)
        longText += " あいうえお";
    EXPECT_TRUE(matchSnippet(longText + " 設定", TypedWords("設定")).starts_with("冒頭の文"));
    EXPECT_NE(
        matchSnippet(longText.substr(0, kSnippetSearchBytes - 100) + " 設定", TypedWords("設定"))
            .find("設定"),
        std::string::npos);
}

TEST(MatchSnippet, AFarPlaceIsCutAroundAndFoundAcrossTheChunksItIsReadIn) {
    // A long run with no ASCII space (read as one chunk), Latin words after it, then the word.
    std::string text;
    for (int i = 0; i < 800; ++i)
        text += "あいう";
    for (int i = 0; i < 300; ++i)
        text += " word";
    text += " 目的の設定はここ";
    for (int i = 0; i < 200; ++i)
        text += " tail";
    const std::string snippet = matchSnippet(text, TypedWords("設定"));
    ASSERT_NE(snippet.find("目的の設定はここ"), std::string::npos) << snippet;
    EXPECT_TRUE(snippet.starts_with("…"));
    EXPECT_TRUE(snippet.ends_with("…"));
    EXPECT_LE(characters(snippet), kSnippetBefore + kSnippetAfter + 2);
    const auto before = snippet.find("目的");
    // "…" and the characters before 目的の, up to the word (a space at the cut dropped).
    EXPECT_GE(characters(snippet.substr(0, before)), kSnippetBefore - 3);
    EXPECT_LE(characters(snippet.substr(0, before)), 1 + kSnippetBefore - 3);
    // A one-character word is the first character of a pair, or a run's last one.
    EXPECT_NE(matchSnippet(text, TypedWords("目")).find("目的"), std::string::npos);
    EXPECT_NE(matchSnippet("とある文書の末尾に語", TypedWords("語")).find("語"), std::string::npos);
}

// The places are the index's: each word at the position of its first term in the column.
TEST(WordPlaces, AreWhereTheIndexHasTheWordsAcrossTheChunksAndNoFurtherThanAsked) {
    const TypedWords words("東京 タワー");
    EXPECT_EQ(words.lengths(), (std::vector<int>{1, 2}));
    const auto places = wordPlaces("東京タワー と 東京", words, MatchColumn::Title, 1000);
    ASSERT_EQ(places.size(), 3U);
    EXPECT_EQ(places[0].word, 0);
    EXPECT_EQ(places[0].offset, 0);
    EXPECT_EQ(places[1].word, 1);
    EXPECT_EQ(places[1].offset, 2); // 東京 京た たわ
    EXPECT_EQ(places[2].offset, 6); // … わー ー と
    EXPECT_EQ(places[2].column, MatchColumn::Title);

    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "word ";
    text += "東京";
    const auto far = wordPlaces(text, words, MatchColumn::Body, text.size());
    ASSERT_EQ(far.size(), 1U);
    EXPECT_EQ(far[0].offset, 300);
    EXPECT_TRUE(wordPlaces(text, words, MatchColumn::Body, 1000).empty());

    // A word of several terms across the place where one chunk ends and the next begins (the
    // hyphen of apt-get, wherever the chunks are cut), found once, where the index has it.
    for (std::size_t shift = 0; shift < 12; ++shift) {
        const std::string hyphened = std::string(1015 + shift, 'x') + " apt-get install と apt-get";
        const auto found =
            wordPlaces(hyphened, TypedWords("apt-get"), MatchColumn::Body, hyphened.size());
        ASSERT_EQ(found.size(), 2U) << shift;
        const auto terms = searchTerms(hyphened);
        EXPECT_EQ(terms.at(static_cast<std::size_t>(found[0].offset)).text, "apt") << shift;
        EXPECT_EQ(terms.at(static_cast<std::size_t>(found[0].offset) + 1).text, "get") << shift;
        EXPECT_GT(found[1].offset, found[0].offset + 2) << shift;
    }
}

// Text that is not valid UTF-8 (the store never keeps such, a page may send it) is cut
// without reading outside it.
TEST(MatchSnippet, TextThatIsNotUtf8IsCutWithinIt) {
    const std::string broken = "\xbc \xef\xbd\xb6\xef\xbe\x80 \xef\xe6\x9d\xb1\xbc \x82\xbf"
                               "d\xe3\x83\"";
    for (const char* typed : {"\xef\xbd\xb6", "d", "東"}) {
        const std::string snippet = matchSnippet(broken, TypedWords(typed));
        EXPECT_LE(snippet.size(), broken.size() + 6) << typed;
    }
    const std::string continuationFirst = "\x80\x80\x80 設定";
    EXPECT_NE(matchSnippet(continuationFirst, TypedWords("設定")).find("設定"), std::string::npos);
}
