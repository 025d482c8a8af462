// SPDX-License-Identifier: MIT
// The ledger of a sealed history's pages: an older version of a page of the same file, or an
// older, changed or removed ledger, is never read as data; a kill at any moment of a checkpoint,
// or a ledger rewritten under another instance, never makes the file look tampered with.

#include "PageLedger.h"
#include "HistoryFile.h"
#include "TestFiles.h"
#include "TestSeal.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quillet;
using quillet::test::readFile;
using quillet::test::TempFolder;
using quillet::test::writeFile;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

void store(HistoryStore& history, int from, int to) {
    for (int n = from; n <= to; ++n)
        history.store({"http://ledger.test/" + std::to_string(n),
                       "題名 " + std::to_string(n),
                       n,
                       {20, 10, std::vector<std::uint8_t>(700, static_cast<std::uint8_t>(n))},
                       "zqxledger 台帳の頁 " + std::to_string(n)});
}

void keep(const std::string& folder, int from, int to) {
    OpenedHistory opened =
        openKeptHistory(folder, std::chrono::system_clock::now(), test::testSeal());
    ASSERT_TRUE(opened.setAsideAs.empty());
    store(*opened.store, from, to);
}

// Every page of every table read; the SQLite error of the first that does not read.
std::optional<SqliteError> readEverything(const std::string& file) {
    try {
        Database db(file, false, test::testSeal()->name());
        Statement check = db.prepare("PRAGMA integrity_check");
        while (check.step()) {
        }
        return std::nullopt;
    } catch (const SqliteError& error) {
        return error;
    }
}

void expectNotReadAsData(const std::string& file, const std::string& what) {
    const int before = test::testSeal()->forgeries();
    const auto error = readEverything(file);
    ASSERT_TRUE(error) << what << ": read as if whole";
    EXPECT_EQ(error->extendedCode(), SQLITE_IOERR_DATA) << what << ": " << error->what();
    EXPECT_GT(test::testSeal()->forgeries(), before) << what;
}

std::string pageOf(const std::string& bytes, std::size_t number) {
    return bytes.substr((number - 1) * kSealedPageSize, kSealedPageSize);
}

// A history kept twice over: `older` as it was after 60 pages, `folder` after 60 more.
struct TwoMoments {
    TempFolder folder;
    std::string older;       // the file then
    std::string olderLedger; // its ledger then
    std::string file() const { return folder.file("history.sqlite"); }
    std::string ledger() const { return folder.file("history.sqlite-ledger"); }

    TwoMoments() {
        keep(folder.path(), 1, 60);
        older = readFile(file());
        olderLedger = readFile(ledger());
        keep(folder.path(), 61, 120);
    }
};

} // namespace

TEST(PageLedger, AnOlderVersionOfAPageOfTheSameFileIsNeverReadAsData) {
    TwoMoments history;
    const std::string current = readFile(history.file());
    ASSERT_FALSE(readEverything(history.file()));
    std::size_t changedPage = 0;
    for (std::size_t n = 2; n * kSealedPageSize <= history.older.size() && changedPage == 0; ++n)
        if (pageOf(history.older, n) != pageOf(current, n))
            changedPage = n;
    ASSERT_NE(changedPage, 0u) << "no page written again";

    std::string putBack = current;
    putBack.replace((changedPage - 1) * kSealedPageSize, kSealedPageSize,
                    pageOf(history.older, changedPage));
    writeFile(history.file(), putBack);
    expectNotReadAsData(history.file(), "page " + std::to_string(changedPage) + " put back");

    // The first page, which every opening reads: set aside as it is, and a new history begins.
    std::string firstPutBack = current;
    firstPutBack.replace(0, kSealedPageSize, pageOf(history.older, 1));
    writeFile(history.file(), firstPutBack);
    OpenedHistory opened =
        openKeptHistory(history.folder.path(), std::chrono::system_clock::now(), test::testSeal());
    ASSERT_FALSE(opened.setAsideAs.empty());
    EXPECT_TRUE(readFile(opened.setAsideAs) == firstPutBack);
    EXPECT_EQ(opened.store->pageCount(), 0);
}

TEST(PageLedger, ALedgerRemovedChangedOrOfAnOlderCopyIsNoWayAroundIt) {
    TwoMoments history;
    const std::string ledger = readFile(history.ledger());

    fs::remove(history.ledger());
    expectNotReadAsData(history.file(), "the ledger removed");

    // A record that does not open ends the ledger there, so every page a later record named
    // no longer matches.
    for (const std::size_t at : {std::size_t{50}, ledger.size() / 2, ledger.size() - 30}) {
        std::string changed = ledger;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        writeFile(history.ledger(), changed);
        expectNotReadAsData(history.file(),
                            "a byte of the ledger changed at " + std::to_string(at));
    }
    writeFile(history.ledger(), ledger.substr(0, ledger.size() - 5));
    expectNotReadAsData(history.file(), "the ledger cut short");

    writeFile(history.ledger(), history.olderLedger);
    expectNotReadAsData(history.file(), "the ledger of an older copy");

    // The file and its ledger both put back from the same older copy (a whole backup) are a
    // history as it was then: nothing outside the folder knows better.
    writeFile(history.file(), history.older);
    writeFile(history.ledger(), history.olderLedger);
    EXPECT_FALSE(readEverything(history.file()));
}

TEST(PageLedger, AHistorySealedBeforeLedgersGetsOneAtItsFirstOpening) {
    TempFolder folder;
    const std::string file = folder.file("history.sqlite");
    keep(folder.path(), 1, 30);
    {
        Database db(file, false, test::testSeal()->name());
        db.execute("PRAGMA application_id=0");
    }
    fs::remove(folder.file("history.sqlite-ledger"));
    const std::string before = readFile(file);

    {
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        EXPECT_TRUE(opened.setAsideAs.empty());
        EXPECT_EQ(opened.store->pageCount(), 30);
        store(*opened.store, 31, 60);
    }
    ASSERT_TRUE(fs::exists(folder.file("history.sqlite-ledger")));
    EXPECT_FALSE(readEverything(file));
    // From now on it is held to its ledger like any other.
    std::string putBack = readFile(file);
    putBack.replace(0, kSealedPageSize, pageOf(before, 1));
    writeFile(file, putBack);
    expectNotReadAsData(file, "the first page from before its first opening");
}

// A writer whose checkpoints copy a few pages at a time, killed (kill -9) at several moments:
// whatever it had written into the file and the ledger, the next opening reads every page.
TEST(PageLedger, AKillDuringACheckpointNeverLooksLikeTampering) {
    for (const auto delay : {2ms, 7ms, 20ms, 60ms, 150ms}) {
        TempFolder folder;
        keep(folder.path(), 1, 5);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                Database db(folder.file("history.sqlite"), false, test::testSeal()->name());
                db.execute("PRAGMA wal_autocheckpoint=3; CREATE TABLE IF NOT EXISTS filler(b)");
                for (int n = 0;; ++n) {
                    db.execute(("INSERT INTO filler VALUES(randomblob(" +
                                std::to_string(3000 + n % 9000) + "))")
                                   .c_str());
                    if (n % 7 == 0)
                        db.execute("DELETE FROM filler WHERE rowid % 3 = 0");
                    if (n % 25 == 0)
                        db.execute("PRAGMA wal_checkpoint(TRUNCATE)");
                }
            } catch (...) {
            }
            _exit(1);
        }
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const int before = test::testSeal()->forgeries();
        EXPECT_FALSE(readEverything(folder.file("history.sqlite"))) << delay.count();
        EXPECT_EQ(test::testSeal()->forgeries(), before) << delay.count();
    }
}

TEST(PageLedger, RewrittenWholeWhenItGrowsAndFollowedByAnotherInstance) {
    TempFolder folder;
    const std::string path = folder.file("db-ledger");
    const FileSalt salt = randomSalt();
    const SealKey& key = test::testSeal()->key();
    PageLedger writer(path, key, salt);
    PageLedger reader(path, key, salt);
    const auto tagFor = [](std::uint32_t page, int round) {
        PageLedger::Tag tag{};
        tag[0] = static_cast<std::uint8_t>(page);
        tag[1] = static_cast<std::uint8_t>(page >> 8);
        tag[2] = static_cast<std::uint8_t>(round);
        tag[3] = 1;
        return tag;
    };
    constexpr std::uint32_t kPages = 1000;
    std::uintmax_t largest = 0;
    for (int round = 0; round < 200; ++round) {
        for (std::uint32_t page = 1; page <= kPages; ++page)
            writer.wrote(page, tagFor(page, round));
        ASSERT_TRUE(writer.sync());
        largest = std::max(largest, fs::file_size(path));
        // The other instance learns each page's last version, from a file rewritten or not.
        EXPECT_TRUE(
            reader.holds(1 + round % kPages, tagFor(1 + round % kPages, round)).value_or(false));
        EXPECT_FALSE(reader.holds(2, tagFor(2, round - 1)).value_or(true));
    }
    EXPECT_LT(largest, kPages * 20 * 5 / 4 + (256u << 10) + kPages * 21) << "never rewritten";
    writer.truncated(10);
    ASSERT_TRUE(writer.sync());
    PageLedger later(path, key, salt);
    EXPECT_TRUE(later.holds(10, tagFor(10, 199)).value_or(false));
    EXPECT_FALSE(later.holds(11, tagFor(11, 199)).value_or(true));
    // Another database's salt opens none of it.
    PageLedger foreign(path, key, randomSalt());
    EXPECT_TRUE(foreign.empty());
}
