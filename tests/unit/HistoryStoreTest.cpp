// SPDX-License-Identifier: MIT
#include "HistoryStore.h"
#include "HistoryFile.h"
#include "SearchTokenizer.h"
#include "TestFiles.h"
#include "TestSeal.h"

#include <filesystem>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quillet;
using quillet::test::readFile;
using quillet::test::TempFolder;
using quillet::test::writeFile;

namespace {

PageVisit visit(const std::string& address, const std::string& title, StoredTime time,
                const std::string& text = "") {
    return {address, title, time, {2, 1, {1, 2, 3}}, text};
}

std::vector<std::string> addresses(const std::vector<StoredEntry>& entries) {
    std::vector<std::string> result;
    for (const auto& entry : entries)
        result.push_back(entry.address);
    return result;
}

std::vector<std::string> found(HistoryStore& store, const std::string& typed) {
    std::vector<std::string> result;
    for (const auto& hit : store.search(typed, 50))
        result.push_back(hit.entry.address);
    return result;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
}

} // namespace

TEST(HistoryStore, KeepsEveryVisitAndOrdersPagesByTheirLastVisit) {
    HistoryStore store(":memory:");
    store.store(visit("http://a.test/", "A", 100, "first text"));
    store.store(visit("http://b.test/", "B", 200));
    store.store(visit("http://a.test/", "A again", 300, ""));

    EXPECT_EQ(addresses(store.newest(10, false)),
              (std::vector<std::string>{"http://a.test/", "http://b.test/"}));
    EXPECT_EQ(store.newest(1, false).front().title, "A again");
    EXPECT_EQ(store.newest(1, false).front().lastVisit, 300);
    EXPECT_EQ(store.visitsOf("http://a.test/"), (std::vector<StoredTime>{100, 300}));
    EXPECT_EQ(store.pageCount(), 2);
    // A visit whose text could not be taken keeps the text taken before.
    EXPECT_EQ(found(store, "first"), std::vector<std::string>{"http://a.test/"});
    // A visit with new text replaces the old.
    store.store(visit("http://a.test/", "A", 400, "second"));
    EXPECT_TRUE(found(store, "first").empty());
    EXPECT_EQ(found(store, "second"), std::vector<std::string>{"http://a.test/"});
}

TEST(HistoryStore, KeepsThumbnailsAsStoredAndTheOldOneWhenAVisitHasNone) {
    HistoryStore store(":memory:");
    store.store({"http://a.test/", "A", 1, {3, 2, {9, 8, 7}}, ""});
    store.store({"http://a.test/", "A", 2, {}, ""});
    const auto picture = store.thumbnail("http://a.test/");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 3);
    EXPECT_EQ(picture->height, 2);
    EXPECT_EQ(picture->bytes, (std::vector<std::uint8_t>{9, 8, 7}));
    EXPECT_EQ(store.newest(1, true).front().thumbnail.bytes, picture->bytes);
    EXPECT_FALSE(store.thumbnail("http://unknown.test/"));
}

TEST(HistoryStore, FindsJapaneseWordsOfAnyLengthInTitleAddressAndTextNewestFirst) {
    HistoryStore store(":memory:");
    store.store(visit("http://a.test/tokyo", "天気", 1, "東京都の天気予報です。"));
    store.store(visit("http://b.test/", "設定ガイド", 2, "ブラウザの設定を変える"));
    store.store(visit("http://c.test/", "ABC Corp", 3, "東京タワーとカタカナ"));

    EXPECT_EQ(found(store, "東京"),
              (std::vector<std::string>{"http://c.test/", "http://a.test/tokyo"}));
    EXPECT_EQ(found(store, "設定"), std::vector<std::string>{"http://b.test/"});
    EXPECT_EQ(found(store, "都"), std::vector<std::string>{"http://a.test/tokyo"});
    EXPECT_EQ(found(store, "ｶﾀｶﾅ"), std::vector<std::string>{"http://c.test/"});
    EXPECT_EQ(found(store, "かたかな"), std::vector<std::string>{"http://c.test/"});
    EXPECT_EQ(found(store, "ａｂｃ"), std::vector<std::string>{"http://c.test/"});
    EXPECT_EQ(found(store, "tokyo"), std::vector<std::string>{"http://a.test/tokyo"});
    EXPECT_EQ(found(store, "天気 東京"), std::vector<std::string>{"http://a.test/tokyo"});
    EXPECT_TRUE(found(store, "東京 設定").empty());
    // FTS5 syntax typed is plain text, never an error.
    for (const char* typed : {"\"", "*", "NEAR(", "a OR b", "-x", "(", ")", "東京\"*"})
        EXPECT_NO_THROW(store.search(typed, 50)) << typed;

    const auto hits = store.search("予報", 50);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_NE(hits.front().snippet.find("天気予報"), std::string::npos) << hits.front().snippet;
}

// A page remembered by two words, among many newer pages that hold them too.
TEST(HistoryStore, PutsTheBestMatchFirstWithTheTitleOfAnyAgeAndTheWordsNearEachOther) {
    HistoryStore store(":memory:");
    store.store(visit("http://partly.test/", "ネットワーク入門", 5, "設定の手順"));
    store.store(visit("http://guide.test/", "ネットワーク設定の手引き", 10, "はじめに"));
    // More newer matches than are ranked, each with the words far apart in its text; among
    // them, one with the words side by side.
    std::string apart = "ネットワーク";
    for (int word = 0; word < 200; ++word)
        apart += " word";
    apart += " 設定";
    for (int i = 0; i < 2'500; ++i) {
        store.store(visit("http://apart.test/" + std::to_string(i), "ページ", 100 + i, apart));
        if (i == 1'700)
            store.store(
                visit("http://near.test/", "メモ", 1'100, "無線ネットワークの設定を変える"));
    }
    const auto best = store.search("ネットワーク 設定", 5);
    ASSERT_EQ(best.size(), 5U);
    EXPECT_EQ(best[0].entry.address, "http://guide.test/");
    EXPECT_EQ(best[1].entry.address, "http://partly.test/");    // one word in its title
    EXPECT_EQ(best[2].entry.address, "http://near.test/");      // both side by side in its text
    EXPECT_EQ(best[3].entry.address, "http://apart.test/2499"); // then the newest
    EXPECT_GT(best[0].score, best[1].score);
    EXPECT_GT(best[1].score, best[2].score);
    EXPECT_GT(best[2].score, best[3].score);
    EXPECT_NE(best[2].snippet.find("ネットワークの設定"), std::string::npos) << best[2].snippet;

    // Newest first when asked, with no score.
    const auto newest =
        store.search(HistoryFilter{"ネットワーク 設定", 0, std::nullopt, MatchOrder::Newest}, 2);
    ASSERT_EQ(newest.size(), 2U);
    EXPECT_EQ(newest[0].entry.address, "http://apart.test/2499");
    EXPECT_EQ(newest[0].score, 0);

    // In a span, the best of the pages visited there, each at its visit there.
    store.store(visit("http://near.test/", "メモ", 5'000, ""));
    const auto within = store.search(HistoryFilter{"設定 ネットワーク", 0, TimeSpan{5, 1'500}}, 4);
    ASSERT_EQ(within.size(), 4U);
    EXPECT_EQ(within[0].entry.address, "http://guide.test/");
    EXPECT_EQ(within[2].entry.address, "http://near.test/");
    EXPECT_EQ(within[2].entry.lastVisit, 1'100);
    EXPECT_EQ(within[3].entry.address, "http://apart.test/1399");

    // The index's syntax typed is text to find, on the ranked way too.
    store.store(visit("http://syntax.test/", "{title} : OR", 6'000, "a\"b NEAR(c)"));
    EXPECT_EQ(found(store, "{title} :"), std::vector<std::string>{"http://syntax.test/"});
    EXPECT_EQ(found(store, "a\"b near(c)"), std::vector<std::string>{"http://syntax.test/"});
    EXPECT_TRUE(found(store, "OR ネットワーク").empty());
}

TEST(HistoryStore, FindsThePagesVisitedInASpanEachAtItsVisitThere) {
    HistoryStore store(":memory:");
    store.store(visit("http://a.test/", "A", 100, "ネットワークの設定"));
    store.store(visit("http://b.test/", "B", 150, "プリンタの設定"));
    store.store(visit("http://c.test/", "C", 180, "天気"));
    store.store(visit("http://a.test/", "A", 1000, ""));
    const auto within = [&](const std::string& typed, TimeSpan span) {
        std::vector<std::pair<std::string, StoredTime>> result;
        for (const auto& hit : store.search(HistoryFilter{typed, 0, span, MatchOrder::Newest}, 50))
            result.emplace_back(hit.entry.address, hit.entry.lastVisit);
        return result;
    };
    using Hits = std::vector<std::pair<std::string, StoredTime>>;
    EXPECT_EQ(within("", {50, 200}),
              (Hits{{"http://c.test/", 180}, {"http://b.test/", 150}, {"http://a.test/", 100}}));
    EXPECT_EQ(within("設定", {50, 200}), (Hits{{"http://b.test/", 150}, {"http://a.test/", 100}}));
    EXPECT_EQ(within("設定", {900, 2000}), (Hits{{"http://a.test/", 1000}}));
    EXPECT_EQ(within("設定", {150, 180}), (Hits{{"http://b.test/", 150}})); // `to` is outside
    EXPECT_TRUE(within("天気", {900, 2000}).empty());
    const auto hit = store.search(HistoryFilter{"プリンタ", 0, TimeSpan{0, 200}}, 50);
    ASSERT_EQ(hit.size(), 1U);
    EXPECT_NE(hit.front().snippet.find("プリンタの設定"), std::string::npos);

    // The timeline's days keep to the span too.
    const HistoryFilter span{"", 0, TimeSpan{120, 1000}};
    EXPECT_EQ(store.latestVisitBefore(5000, span), 180);
    EXPECT_EQ(addresses(store.visitedBetween(0, 5000, span)),
              (std::vector<std::string>{"http://c.test/", "http://b.test/"}));

    // A span of many visits finds its matches from the index instead: the same pages.
    for (int i = 0; i < 5'000; ++i)
        store.store(visit("http://many.test/" + std::to_string(i), "", 10'000 + i, "ほかの話"));
    store.store(visit("http://b.test/", "B", 12'000, ""));
    EXPECT_EQ(within("設定", {10'000, 20'000}), (Hits{{"http://b.test/", 12'000}}));
    EXPECT_EQ(within("プリンタ 設定", {0, 20'000}), (Hits{{"http://b.test/", 12'000}}));
    EXPECT_EQ(within("", {10'000, 20'000}).size(), 50U);
}

TEST(HistoryStore, StoresHostileTextCappedAndValid) {
    HistoryStore store(":memory:");
    std::string text("\xE5\x8F\x8E");                                 // 収
    text += std::string("a\0b", 3) + "\xED\xA0\x80" + "\xE2\x80\x8F"; // NUL, lone surrogate, RLM
    text += std::string(300'000, 'x');
    const std::string title(1 << 20, 't');
    const std::string address = "http://long.test/" + std::string(64 * 1024, 'p');
    ASSERT_TRUE(store.store(visit(address, title, 1, text)));

    const auto entry = store.newest(1, false).front();
    EXPECT_EQ(entry.address, address); // an address is kept whole: it must reopen the page
    EXPECT_EQ(entry.title.size(), HistoryStore::kMaxTitleCharacters);
    EXPECT_EQ(found(store, "収"), std::vector<std::string>{address});
    const std::string clean = cleanStoredText(text, HistoryStore::kMaxTextCharacters);
    EXPECT_TRUE(g_utf8_validate(clean.data(), static_cast<gssize>(clean.size()), nullptr));
    EXPECT_EQ(g_utf8_strlen(clean.data(), static_cast<gssize>(clean.size())),
              static_cast<glong>(HistoryStore::kMaxTextCharacters));
    EXPECT_EQ(clean.find('\0'), std::string::npos);
}

// Walking the days back with words: a match far behind many newer visits, a page's earlier
// visit, and the answers following what is stored and removed between two steps.
TEST(HistoryStore, TheDayByDayWalkFindsWordsFarBackAndFollowsChanges) {
    HistoryStore store(":memory:");
    store.store(visit("http://rare.test/", "rare", 100, "zqx珍しい話"));
    for (int i = 0; i < 50; ++i)
        store.store(visit("http://other.test/" + std::to_string(i), "other", 200 + i, "ほか"));
    const HistoryFilter rare{"珍しい", 0};
    EXPECT_EQ(store.latestVisitBefore(1000, rare), 100);
    EXPECT_EQ(store.latestVisitBefore(100, rare), std::nullopt);
    EXPECT_EQ(store.latestVisitBefore(1000, HistoryFilter{"zqxnothing", 0}), std::nullopt);

    store.store(visit("http://rare.test/", "rare", 300, "zqx珍しい話")); // visited again
    EXPECT_EQ(store.latestVisitBefore(1000, rare), 300);
    EXPECT_EQ(store.latestVisitBefore(250, rare), 100); // its earlier visit
    EXPECT_TRUE(store.visitedBetween(200, 250, rare).empty());

    store.store(visit("http://new.test/", "new", 400, "珍しい"));
    EXPECT_EQ(store.latestVisitBefore(1000, rare), 400);
    EXPECT_EQ(addresses(store.visitedBetween(0, 1000, rare)),
              (std::vector<std::string>{"http://new.test/", "http://rare.test/"}));
    store.remove("http://new.test/");
    EXPECT_EQ(store.latestVisitBefore(1000, rare), 300);
    EXPECT_EQ(addresses(store.visitedBetween(0, 1000, rare)),
              std::vector<std::string>{"http://rare.test/"});
}

TEST(HistoryStore, RemovesPagesByAddressTimeAndHostAndNeverStoresAnExcludedHost) {
    HistoryStore store(":memory:");
    store.store(visit("http://old.test/", "old", 100, "alpha"));
    store.store(visit("https://Site.test/a", "a", 200, "beta"));
    store.store(visit("https://site.test/b", "b", 300, "gamma"));
    store.store(visit("http://new.test/", "new", 400, "delta"));

    store.remove("http://new.test/");
    EXPECT_TRUE(found(store, "delta").empty());
    store.excludeHost("https://SITE.test/whatever");
    EXPECT_EQ(store.excludedHosts(), std::vector<std::string>{"site.test"});
    EXPECT_TRUE(store.isExcluded("http://site.test:8080/x"));
    EXPECT_EQ(addresses(store.newest(10, false)), std::vector<std::string>{"http://old.test/"});
    EXPECT_FALSE(store.store(visit("https://site.test/c", "c", 500, "epsilon")));
    EXPECT_TRUE(found(store, "epsilon").empty());

    store.includeHost("site.test");
    EXPECT_TRUE(store.store(visit("https://site.test/c", "c", 500, "epsilon")));
    store.removeVisitedSince(150); // most pages go: the indexes are rebuilt with the one left
    EXPECT_EQ(addresses(store.newest(10, false)), std::vector<std::string>{"http://old.test/"});
    EXPECT_TRUE(store.visitsOf("https://site.test/c").empty());
    EXPECT_EQ(found(store, "alpha"), std::vector<std::string>{"http://old.test/"});
    EXPECT_EQ(found(store, "old"), std::vector<std::string>{"http://old.test/"});
    EXPECT_TRUE(found(store, "epsilon").empty());
}

TEST(HistoryFile, RemovedTextIsGoneFromTheFileItself) {
    TempFolder folder;
    const std::string file = folder.file("history.sqlite");
    {
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        for (int i = 0; i < 200; ++i)
            opened.store->store(visit("http://filler.test/" + std::to_string(i), "filler", i,
                                      "filler text number " + std::to_string(i)));
        opened.store->store(
            visit("http://secret.test/", "secret", 1000, "zqxsecretword 極秘語彙 visible"));
        opened.store->store(visit("http://other.test/", "other", 1001, "zqxotherword"));
        opened.store->store(visit("http://hour.test/", "hour", 5000, "zqxhourword"));
        opened.store->remove("http://secret.test/");
        opened.store->removeVisitedSince(5000);
        opened.store->excludeHost("other.test");
        EXPECT_EQ(opened.store->pageCount(), 200);
        // Still open (as in a running Quillet): the log and the file together hold no trace.
        std::string bytes = test::openedBytes(file, *test::testSeal());
        for (const char* word :
             {"zqxsecretword", "secret.test", "極秘", "zqxotherword", "zqxhourword", "hour.test"})
            EXPECT_EQ(bytes.find(word), std::string::npos) << word;
        EXPECT_NE(bytes.find("filler.test/199"), std::string::npos); // the search still reads
    }
}

TEST(HistoryFile, TheLogStaysSmallOverManyVisits) {
    TempFolder folder;
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    const std::string text(6000, 'w');
    for (int i = 0; i < 600; ++i)
        opened.store->store({"http://page.test/" + std::to_string(i % 200),
                             "page",
                             i,
                             {120, 120, std::vector<std::uint8_t>(8000, 1)},
                             text});
    // Checkpoints empty the log for reuse; a read left open by a step would let it grow by
    // every page stored (over 100 MB here).
    EXPECT_LT(std::filesystem::file_size(folder.file("history.sqlite-wal")), 16u << 20);
}

TEST(HistoryFile, IsPrivateToTheUser) {
    TempFolder folder;
    const std::string data = folder.file("data/Quillet");
    openKeptHistory(data, std::chrono::system_clock::now(), test::testSeal())
        .store->store(visit("http://a.test/", "A", 1, "x"));
    EXPECT_EQ(modeOf(data), 0700u);
    EXPECT_EQ(modeOf(data + "/history.sqlite"), 0600u);
}

TEST(HistoryFile, AnUnusableFileIsMovedAsideAndAFreshHistoryStarts) {
    const auto sqliteFile = [](const std::string& path, const char* sql) {
        Database db(path, true);
        db.execute(sql);
    };
    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> cases = {
        {"random bytes",
         [](const std::string& path) { writeFile(path, std::string(8192, '\x5a') + "junk"); }},
        {"an empty file", [](const std::string& path) { writeFile(path, ""); }},
        {"another program's database",
         [&](const std::string& path) { sqliteFile(path, "CREATE TABLE notes(text)"); }},
        {"a newer history",
         [&](const std::string& path) {
             { HistoryStore made(path); }
             sqliteFile(path,
                        ("PRAGMA user_version=" + std::to_string(HistoryStore::kSchemaVersion + 1))
                            .c_str());
         }},
        {"a history missing a table",
         [&](const std::string& path) {
             { HistoryStore made(path); }
             sqliteFile(path, "DROP TABLE excluded_hosts");
         }},
    };
    const auto now = std::chrono::system_clock::now();
    for (const auto& [name, make] : cases) {
        TempFolder folder;
        const std::string file = folder.file("history.sqlite");
        make(file);
        const std::string before = readFile(file);
        OpenedHistory opened = openKeptHistory(folder.path(), now, test::testSeal());
        ASSERT_FALSE(opened.setAsideAs.empty()) << name;
        EXPECT_NE(opened.setAsideAs.find("history.sqlite.broken-"), std::string::npos) << name;
        EXPECT_TRUE(readFile(opened.setAsideAs) == before) << name << ": changed when set aside";
        EXPECT_TRUE(opened.store->store(visit("http://a.test/", "A", 1))) << name;
        EXPECT_EQ(opened.store->pageCount(), 1) << name;
    }
}

// A file of the first schema is moved up the version ladder when opened, its pages kept.
TEST(HistoryFile, AFileOfTheFirstSchemaOpensWithItsPages) {
    TempFolder folder;
    const std::string file = folder.file("history.sqlite");
    {
        // The first schema as it was released, written without this version's code.
        Database db(file, true);
        db.execute(R"sql(
            CREATE TABLE pages(id INTEGER PRIMARY KEY, address TEXT NOT NULL UNIQUE,
              host TEXT NOT NULL, title TEXT NOT NULL, last_visit INTEGER NOT NULL,
              thumbnail_width INTEGER NOT NULL DEFAULT 0, thumbnail_height INTEGER NOT NULL
              DEFAULT 0, thumbnail BLOB);
            CREATE INDEX pages_by_host ON pages(host);
            CREATE INDEX pages_by_last_visit ON pages(last_visit);
            CREATE TABLE visits(page INTEGER NOT NULL REFERENCES pages(id) ON DELETE CASCADE
              ON UPDATE CASCADE, time INTEGER NOT NULL);
            CREATE INDEX visits_by_page ON visits(page);
            CREATE TABLE excluded_hosts(host TEXT PRIMARY KEY) WITHOUT ROWID;
            INSERT INTO pages VALUES(1, 'http://kept.test/', 'kept.test', 'Kept', 42, 0, 0, NULL);
            INSERT INTO visits VALUES(1, 42);
            PRAGMA user_version=1;)sql");
        registerTextSearch(db.handle());
        db.execute("CREATE VIRTUAL TABLE page_text USING fts5(title, address, body, "
                   "tokenize='quillet'); INSERT INTO page_text(rowid, title, address, body) "
                   "VALUES(1, 'Kept', 'http://kept.test/', '保存された頁')");
    }
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    EXPECT_TRUE(opened.setAsideAs.empty());
    EXPECT_EQ(addresses(opened.store->newest(5, false)),
              std::vector<std::string>{"http://kept.test/"});
    EXPECT_EQ(found(*opened.store, "保存"), std::vector<std::string>{"http://kept.test/"});
    // Its text indexed again, with the terms' first characters.
    EXPECT_EQ(found(*opened.store, "さ"), std::vector<std::string>{"http://kept.test/"});
    opened.store.reset();
    Database db(file, false, test::testSeal()->name());
    Statement version = db.prepare("PRAGMA user_version");
    ASSERT_TRUE(version.step());
    EXPECT_EQ(version.integer(0), HistoryStore::kSchemaVersion);
    for (const char* made : {"visits_by_time", "looks", "pages_for_pane"})
        EXPECT_TRUE(
            db.prepare(
                  ("SELECT 1 FROM sqlite_master WHERE name = '" + std::string(made) + "'").c_str())
                .step())
            << made;
}

TEST(HistoryFile, AReadOnlyFolderIsAnErrorNotABrokenFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempFolder folder;
    ::chmod(folder.path().c_str(), 0500);
    EXPECT_ANY_THROW(openKeptHistory(folder.path() + "/Quillet", std::chrono::system_clock::now(),
                                     test::testSeal()));
    ::chmod(folder.path().c_str(), 0700);
}

// A page kept with its content, visited again when its content is withheld (a sign-in form
// appeared on it): the text and thumbnail go from the file, scrubbed; visited once more as a
// plain page, they are kept again.
TEST(HistoryStore, AWithheldVisitTakesThePagesStoredContentOut) {
    TempFolder folder;
    const std::string path = folder.file("history.sqlite");
    {
        HistoryStore store(path);
        store.store(visit("http://bank.test/", "Bank", 100, "zqxbalanceword 残高"));
        PageVisit withheld = visit("http://bank.test/", "Bank", 200);
        withheld.contentWithheld = true;
        store.store(withheld);
        EXPECT_TRUE(store.search("zqxbalanceword", 10).empty());
        EXPECT_EQ(found(store, "Bank"), std::vector<std::string>{"http://bank.test/"});
        EXPECT_FALSE(store.thumbnail("http://bank.test/"));
        EXPECT_EQ(store.visitsOf("http://bank.test/").size(), 2u);
        const auto entries = store.newest(10, true);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_FALSE(entries[0].contentKept);
    }
    std::string bytes = test::openedBytes(path, *test::testSeal());
    EXPECT_EQ(bytes.find("zqxbalanceword"), std::string::npos);

    HistoryStore store(path);
    store.store(visit("http://bank.test/", "Bank", 300, "zqxwelcomeword"));
    EXPECT_EQ(found(store, "zqxwelcomeword"), std::vector<std::string>{"http://bank.test/"});
    EXPECT_TRUE(store.thumbnail("http://bank.test/"));
    EXPECT_TRUE(store.newest(1, false)[0].contentKept);
}
