// SPDX-License-Identifier: MIT
// The parts the kept history is built of: the SQLite wrapper's cached statements, changes
// and savepoints, the bounded cache of kept thumbnails, and the visits waiting for their text.

#include "HistoryFile.h"
#include "PendingVisits.h"
#include "SearchTokenizer.h"
#include "Sqlite.h"
#include "TestFiles.h"
#include "TestSeal.h"
#include "ThumbnailCache.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace quillet;
using quillet::test::readFile;
using quillet::test::TempFolder;

namespace {

PackedImage picture(std::size_t bytes, std::uint8_t fill = 1) {
    return {2, 2, std::vector<std::uint8_t>(bytes, fill)};
}

std::int64_t countRows(Database& db) {
    Statement count = db.cached("SELECT count(*) FROM t");
    count.step();
    return count.integer(0);
}

} // namespace

TEST(Sqlite, CachedStatementsAreLentResetAndExecCountsChangesAndRefusesRows) {
    Database db(":memory:", true);
    db.execute("CREATE TABLE t(x INTEGER)");
    for (int i = 0; i < 5; ++i)
        db.cached("INSERT INTO t VALUES(?)").bind(1, i).run();
    EXPECT_EQ(countRows(db), 5);
    {
        // A lent statement left on a row is reset when it goes: the next use starts afresh.
        Statement rows = db.cached("SELECT x FROM t ORDER BY x");
        ASSERT_TRUE(rows.step());
        EXPECT_EQ(rows.integer(0), 0);
    }
    Statement again = db.cached("SELECT x FROM t ORDER BY x");
    ASSERT_TRUE(again.step());
    EXPECT_EQ(again.integer(0), 0);
    again.reset();

    EXPECT_EQ(db.exec("DELETE FROM t WHERE x >= 3"), 2);
    EXPECT_EQ(db.exec("UPDATE t SET x = x + 10"), 3);
    EXPECT_THROW(db.exec("SELECT x FROM t"), std::logic_error);
    EXPECT_THROW(db.cached("SELECT nothing FROM nowhere"), SqliteError);
}

TEST(Sqlite, ASavepointIsUndoneAloneInsideItsTransaction) {
    Database db(":memory:", true);
    db.execute("CREATE TABLE t(x INTEGER)");
    Transaction transaction(db);
    db.exec("INSERT INTO t VALUES(1)");
    try {
        Savepoint part(db, "part");
        db.exec("INSERT INTO t VALUES(2)");
        throw std::runtime_error("the part fails");
    } catch (const std::runtime_error&) {
    }
    {
        Savepoint part(db, "part");
        db.exec("INSERT INTO t VALUES(3)");
        part.release();
    }
    transaction.commit();
    Statement sum = db.prepare("SELECT sum(x) FROM t");
    sum.step();
    EXPECT_EQ(sum.integer(0), 4);
}

// The log keeps a removed page while another reader holds it; the removal says so, and a
// later try empties it once the reader has let go.
TEST(HistoryFile, ARemovalOwesTheLogWhileAReaderHoldsItAndEmptiesItLater) {
    TempFolder folder;
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    HistoryStore& store = *opened.store;
    for (int i = 0; i < 20; ++i)
        store.store({"http://filler.test/" + std::to_string(i), "filler", i, {}, "filler"});
    store.store({"http://secret.test/", "secret", 100, {}, "zqxheldword"});
    {
        Database reader(folder.file("history.sqlite"), false, test::testSeal()->name());
        reader.execute("BEGIN");
        Statement read = reader.prepare("SELECT count(*) FROM pages");
        read.step(); // a read transaction of another connection, as a second Quillet has
        store.remove("http://secret.test/");
        EXPECT_TRUE(store.logOwed());
        EXPECT_FALSE(store.emptyLog());
        read.reset();
        reader.execute("COMMIT");
    }
    EXPECT_TRUE(store.emptyLog());
    EXPECT_FALSE(store.logOwed());
    std::string bytes =
        quillet::test::openedBytes(folder.file("history.sqlite"), *quillet::test::testSeal());
    EXPECT_EQ(bytes.find("zqxheldword"), std::string::npos);
}

TEST(ThumbnailCache, HoldsAtMostItsBytesAndLetsTheLeastRecentlyDrawnGoFirst) {
    ThumbnailCache cache(1000);
    cache.put("a", picture(400));
    cache.put("b", picture(400));
    ASSERT_NE(cache.find("a"), nullptr); // drawn again: "b" is now the least recent
    cache.put("c", picture(400));
    EXPECT_EQ(cache.find("b"), nullptr);
    EXPECT_NE(cache.find("a"), nullptr);
    EXPECT_NE(cache.find("c"), nullptr);
    EXPECT_EQ(cache.bytes(), 800u);

    cache.put("a", picture(100, 7)); // the same key replaced, its bytes counted once
    EXPECT_EQ(cache.bytes(), 500u);
    EXPECT_EQ(cache.find("a")->bytes.front(), 7);
    cache.put("huge", picture(5000)); // larger than the whole cache: not held, nothing lost
    EXPECT_EQ(cache.find("huge"), nullptr);
    EXPECT_EQ(cache.size(), 2u);
    cache.erase("a");
    cache.erase("never there");
    EXPECT_EQ(cache.bytes(), 400u);

    for (int i = 0; i < 10'000; ++i)
        cache.put(std::to_string(i), picture(10 + i % 90));
    EXPECT_LE(cache.bytes(), 1000u);
}

TEST(PendingVisits, AVisitDeletedOrClearedWhileItsTextIsOnTheWayIsNotStored) {
    PendingVisits pending;
    const unsigned deleted = pending.add({"http://a.test/", "A", 100, {}, {}});
    const unsigned cleared = pending.add({"http://b.test/", "B", 200, {}, {}});
    const unsigned older = pending.add({"http://c.test/", "C", 50, {}, {}});
    const unsigned kept = pending.add({"http://d.test/", "D", 300, {}, {}});
    pending.forget({"http://a.test/"});
    pending.forgetVisitedSince(150);
    EXPECT_FALSE(pending.giveText(deleted, "text of a"));
    EXPECT_FALSE(pending.giveText(cleared, "text of b"));
    EXPECT_FALSE(pending.giveText(kept, "text of d")); // visited after the clear's start too
    const auto stored = pending.giveText(older, "text of c");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->visit.address, "http://c.test/");
    EXPECT_EQ(stored->visit.text, "text of c");
    EXPECT_FALSE(pending.giveText(older, "twice")); // taken once

    pending.add({"http://e.test/", "E", 400, {}, {}});
    pending.add({"http://f.test/", "F", 500, {}, {}});
    const auto all = pending.takeAll();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].visit.address, "http://e.test/");
    EXPECT_EQ(pending.size(), 0u);
}

TEST(PendingVisits, AVisitWithACopyToComeIsStoredOnceItsTextAndCopyHaveBothArrived) {
    PendingVisits pending;
    const PackedImage thumbnail{2, 1, {1, 2, 3}};
    const unsigned textFirst = pending.add({"http://a.test/", "A", 100, thumbnail, {}}, true, true);
    const unsigned copyFirst =
        pending.add({"http://b.test/", "B", 200, thumbnail, {}}, false, true);
    EXPECT_FALSE(pending.giveText(textFirst, "text of a", true));
    EXPECT_FALSE(pending.giveCopy(copyFirst, "copy of b"));
    const auto a = pending.giveCopy(textFirst, "copy of a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->visit.text, "text of a");
    EXPECT_TRUE(a->visit.contentWithheld);
    EXPECT_EQ(a->visit.savedCopy, "copy of a");
    EXPECT_TRUE(a->kept);
    const auto b = pending.giveText(copyFirst, "text of b");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->visit.savedCopy, "copy of b");
    EXPECT_FALSE(b->kept) << "made while paused: goes to this run's history, whenever it arrives";
    EXPECT_FALSE(pending.giveCopy(copyFirst, "twice"));
    // A visit asked for no copy takes none.
    const unsigned plain = pending.add({"http://c.test/", "C", 300, thumbnail, {}});
    EXPECT_FALSE(pending.giveCopy(plain, "copy of c"));
    EXPECT_TRUE(pending.giveText(plain, "text of c")->visit.savedCopy.empty());

    // Closing: what arrived is stored but the copy; without its text, the thumbnail neither.
    const unsigned withText = pending.add({"http://d.test/", "D", 400, thumbnail, {}}, true, true);
    pending.add({"http://e.test/", "E", 500, thumbnail, {}}, true, true);
    pending.giveText(withText, "text of d");
    const unsigned withCopy = pending.add({"http://f.test/", "F", 600, thumbnail, {}}, true, true);
    pending.giveCopy(withCopy, "copy of f");
    const auto all = pending.takeAll();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].visit.text, "text of d");
    EXPECT_EQ(all[0].visit.thumbnail.bytes, thumbnail.bytes);
    EXPECT_TRUE(all[1].visit.thumbnail.bytes.empty());
    EXPECT_TRUE(all[2].visit.thumbnail.bytes.empty());
    for (const PendingVisits::Recorded& recorded : all)
        EXPECT_TRUE(recorded.visit.savedCopy.empty());
}

// When most of the history goes, the rest is written anew: what goes is out of the file and
// its log, what stays is found as before, and the history goes on being stored.
TEST(HistoryFile, RemovingMostPagesRewritesTheRestAndLeavesNoTraceOfTheOthers) {
    TempFolder folder;
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    HistoryStore& store = *opened.store;
    for (int i = 0; i < 60; ++i)
        store.store(
            {"http://page.test/" + std::to_string(i),
             (i < 15 ? "頁 zqxstaystitle" : "頁 zqxgoestitle") + std::to_string(i), i,
             PackedImage{2, 2, std::vector<std::uint8_t>(3000, 0x5a)},
             (i < 15 ? "zqxstaysword 残る本文 " : "zqxgoesword 消える本文 ") + std::to_string(i)});
    store.removeVisitedSince(15);
    EXPECT_EQ(store.pageCount(), 15);
    EXPECT_EQ(store.search("残る", 50).size(), 15u);
    EXPECT_TRUE(store.search("消える", 50).empty());
    EXPECT_TRUE(store.visitsOf("http://page.test/30").empty());
    EXPECT_EQ(store.visitsOf("http://page.test/3").size(), 1u);
    EXPECT_FALSE(store.logOwed());
    std::string bytes =
        quillet::test::openedBytes(folder.file("history.sqlite"), *quillet::test::testSeal());
    for (const char* word : {"zqxgoesword", "消える", "page.test/59", "zqxgoestitle"})
        EXPECT_EQ(bytes.find(word), std::string::npos) << word;
    EXPECT_NE(bytes.find("zqxstaysword"), std::string::npos);
    EXPECT_EQ(store.search("zqxgoestitle30", 5).size(), 0u);
    // One page removed alone is scrubbed from both indexes too.
    EXPECT_EQ(store.search("zqxstaystitle3", 5).size(), 1u);
    store.remove("http://page.test/3");
    EXPECT_TRUE(store.search("zqxstaystitle3", 5).empty());
    bytes = quillet::test::openedBytes(folder.file("history.sqlite"), *quillet::test::testSeal());
    EXPECT_EQ(bytes.find("zqxstaystitle3"), std::string::npos);
    EXPECT_NE(bytes.find("zqxstaystitle4"), std::string::npos);

    store.excludeHost("page.test"); // every page: the rewrite leaves an empty history
    EXPECT_EQ(store.pageCount(), 0);
    EXPECT_TRUE(store.store({"http://next.test/", "next", 100, {}, "zqxnextword"}));
    EXPECT_EQ(store.search("zqxnextword", 5).size(), 1u);
    EXPECT_FALSE(store.store({"http://page.test/x", "x", 101, {}, "x"}));
}

// A process that ended after a removal was committed and before its space was given back
// leaves that owed in the file: the next opening pays it, and the removed text is gone.
TEST(HistoryFile, AScrubOwedByAnEndedProcessIsDoneAtTheNextOpening) {
    TempFolder folder;
    const std::string file = folder.file("history.sqlite");
    {
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        for (int i = 0; i < 30; ++i)
            opened.store->store({"http://page.test/" + std::to_string(i),
                                 "頁",
                                 i,
                                 {},
                                 (i < 10 ? "zqxleftword " : "zqxowedword ") + std::to_string(i)});
    }
    {
        // The state a removal commits before its VACUUM: rows freed without being zeroed.
        Database db(file, false, test::testSeal()->name());
        registerTextSearch(db.handle());
        db.execute("PRAGMA secure_delete=OFF; BEGIN;"
                   "DELETE FROM page_text WHERE rowid IN (SELECT id FROM pages WHERE "
                   "last_visit >= 10); DELETE FROM pages WHERE last_visit >= 10;"
                   "INSERT INTO owed(task) VALUES('vacuum'); COMMIT;"
                   "PRAGMA wal_checkpoint(TRUNCATE)");
    }
    ASSERT_NE(test::openedBytes(file, *test::testSeal()).find("zqxowedword"), std::string::npos)
        << "nothing left to scrub";
    {
        HistoryStore store(file, test::testSeal());
        EXPECT_EQ(store.pageCount(), 10);
        EXPECT_EQ(store.search("zqxleftword", 50).size(), 10u);
    }
    std::string bytes = test::openedBytes(file, *test::testSeal());
    EXPECT_EQ(bytes.find("zqxowedword"), std::string::npos);
    Database db(file, false, test::testSeal()->name());
    EXPECT_FALSE(db.prepare("SELECT 1 FROM owed").step());
}
