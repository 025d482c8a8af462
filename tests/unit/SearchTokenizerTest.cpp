// SPDX-License-Identifier: MIT
#include "SearchTokenizer.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>

using namespace quillet;

namespace {

// An in-memory FTS5 table of pages, indexed with the tokenizer.
class SearchIndex : public ::testing::Test {
  protected:
    void SetUp() override {
        sqlite3* opened = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &opened), SQLITE_OK);
        db.reset(opened);
        registerTextSearch(db.get());
        exec("CREATE VIRTUAL TABLE pages USING fts5(title, body, tokenize='quillet')");
    }
    void exec(const std::string& sql) {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "");
    }
    void add(const std::string& title, const std::string& body) {
        sqlite3_stmt* insert = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(db.get(), "INSERT INTO pages VALUES (?1, ?2)", -1, &insert, nullptr),
            SQLITE_OK);
        sqlite3_bind_text(insert, 1, title.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, body.c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_finalize(insert);
    }
    // The titles of the pages the typed text finds.
    std::set<std::string> find(const std::string& typed) {
        std::set<std::string> titles;
        const std::string query = searchQuery(typed);
        if (query.empty())
            return titles;
        sqlite3_stmt* select = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db.get(), "SELECT title FROM pages WHERE pages MATCH ?1", -1,
                                     &select, nullptr),
                  SQLITE_OK);
        sqlite3_bind_text(select, 1, query.c_str(), -1, SQLITE_TRANSIENT);
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(select)) == SQLITE_ROW)
            titles.insert(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
        EXPECT_EQ(step, SQLITE_DONE) << typed << ": " << sqlite3_errmsg(db.get());
        sqlite3_finalize(select);
        return titles;
    }

    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db{nullptr, sqlite3_close};
};

using Titles = std::set<std::string>;

} // namespace

TEST_F(SearchIndex, ShortJapaneseWordsAreFound) {
    add("tokyo", "東京都庁の展望室へ行きました");
    add("settings", "ブラウザの設定を変更する");
    add("building", "新しい建設計画");
    EXPECT_EQ(find("東京"), Titles{"tokyo"});
    EXPECT_EQ(find("設定"), Titles{"settings"});
    EXPECT_EQ(find("設"), (Titles{"settings", "building"})); // first and last of a pair
    EXPECT_EQ(find("都庁"), Titles{"tokyo"});
    EXPECT_EQ(find("京都"), Titles{"tokyo"}); // 東京都 holds 京都 as written
    EXPECT_EQ(find("大阪"), Titles{});
}

TEST_F(SearchIndex, WidthCaseAndKanaDoNotMatter) {
    add("abc", "ＡＢＣ news");
    add("kana", "ｶﾀｶﾅ と ひらがな");
    EXPECT_EQ(find("abc"), Titles{"abc"});
    EXPECT_EQ(find("ＡＢＣ"), Titles{"abc"});
    EXPECT_EQ(find("NEWS"), Titles{"abc"});
    EXPECT_EQ(find("カタカナ"), Titles{"kana"});
    EXPECT_EQ(find("かたかな"), Titles{"kana"});
    EXPECT_EQ(find("ヒラガナ"), Titles{"kana"});
}

TEST_F(SearchIndex, EveryWordInAnyOrderAndTheLastOneAsItIsTyped) {
    add("both", "Quillet browser の履歴");
    add("one", "Quillet only");
    EXPECT_EQ(find("履歴 quillet"), Titles{"both"});
    EXPECT_EQ(find("brows"), Titles{"both"});
    EXPECT_EQ(find("quillet　履歴"), Titles{"both"}); // a full-width space separates too
}

TEST_F(SearchIndex, QuerySyntaxIsPlainText) {
    add("syntax", "say \"hello\" NEAR (the) OR - door*");
    for (const char* typed : {"\"", "\"hello", "*", "NEAR", "OR", "-", "(", ")", "door*", "NOT"})
        EXPECT_NO_FATAL_FAILURE(find(typed)) << typed;
    EXPECT_EQ(find("\"hello\""), Titles{"syntax"});
    EXPECT_EQ(find("NEAR"), Titles{"syntax"});
    EXPECT_EQ(find("(the)"), Titles{"syntax"});
    EXPECT_TRUE(searchQuery("\" * - ( )").empty());
}

// quillet_match scores a row from where the words were found, the words' weights optional:
// with the title's word weighed up, the page that has it in its title gains.
TEST_F(SearchIndex, MatchScoresAreWorkedOutWithAndWithoutWeights) {
    add("東京 案内", "大阪");
    add("大阪 案内", "東京");
    const auto scores = [&](const std::string& arguments) {
        std::vector<double> found;
        sqlite3_stmt* select = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db.get(),
                                     ("SELECT quillet_match(pages" + arguments +
                                      ") FROM pages WHERE pages MATCH ?1 ORDER BY rowid")
                                         .c_str(),
                                     -1, &select, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(db.get());
        const std::string query = searchQuery("東京 大阪");
        sqlite3_bind_text(select, 1, query.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(select) == SQLITE_ROW)
            found.push_back(sqlite3_column_double(select, 0));
        sqlite3_finalize(select);
        return found;
    };
    const std::vector<double> alike = scores("");
    ASSERT_EQ(alike.size(), 2U);
    EXPECT_GT(alike[0], 0);
    EXPECT_DOUBLE_EQ(alike[0], alike[1]);
    const std::vector<double> tokyoRare = scores(", '5 1'");
    ASSERT_EQ(tokyoRare.size(), 2U);
    EXPECT_GT(tokyoRare[0], tokyoRare[1]);
    EXPECT_EQ(scores(", 'not numbers'"), alike);
}
