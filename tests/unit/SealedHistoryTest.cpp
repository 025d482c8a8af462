// SPDX-License-Identifier: MIT
// The kept history sealed at rest: nothing of it readable in any file of its folder, a wrong
// key or another hand's change never read as data and never losing the file, and a plain file
// sealed on its first opening with a key, whatever moment its process is killed at.

#include "EarlierSchema.h"
#include "HistoryFile.h"
#include "PageSeal.h"
#include "PlainHistorySealing.h"
#include "TestFiles.h"
#include "TestSeal.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quillet;
using quillet::test::readFile;
using quillet::test::TempFolder;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::string kPngSignature = "\x89PNG\r\n\x1a\n";

PageVisit page(int n, const std::string& words) {
    std::vector<std::uint8_t> picture(kPngSignature.begin(), kPngSignature.end());
    picture.resize(600, static_cast<std::uint8_t>(n));
    return {"http://sealed.test/" + std::to_string(n),
            "題名 zqxtitle" + std::to_string(n),
            n,
            {20, 10, picture},
            words + " " + std::to_string(n)};
}

// Every byte of every file in the folder, each file's name before it.
std::string everyFileOf(const std::string& folder) {
    std::string bytes;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            bytes += entry.path().string() + "\n" + readFile(entry.path().string());
    return bytes;
}

// The words of a history for the byte search.
const std::vector<std::string> kWords = {"zqxsealedword", "天気予報の頁", "sealed.test", "zqxtitle",
                                         kPngSignature};

void fill(HistoryStore& store, int pages) {
    for (int n = 1; n <= pages; ++n)
        store.store(page(n, "zqxsealedword 天気予報の頁"));
}

// A sealed history of `pages` pages in `folder`, closed: every page in the file, the log
// emptied.
void makeSealedHistory(const std::string& folder, int pages) {
    OpenedHistory opened =
        openKeptHistory(folder, std::chrono::system_clock::now(), test::testSeal());
    fill(*opened.store, pages);
}

// A process that opens the kept history in `folder` (which may seal it or move it forward),
// killed (kill -9) `delay` after it started.
void openAndKillAfter(const std::string& folder, const SealedVfs* seal,
                      std::chrono::microseconds delay) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            openKeptHistory(folder, std::chrono::system_clock::now(), seal);
        } catch (...) {
        }
        _exit(0);
    }
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

// Reads every page of every table; the SQLite error of the first that does not read.
std::optional<SqliteError> readEverything(const std::string& file, const SealedVfs& seal) {
    try {
        Database db(file, false, seal.name());
        Statement check = db.prepare("PRAGMA integrity_check");
        while (check.step()) {
        }
        return std::nullopt;
    } catch (const SqliteError& error) {
        return error;
    }
}

} // namespace

TEST(SealedHistory, NoFileInTheFolderHoldsAWordOrAPictureOfItInTheClear) {
    TempFolder folder;
    {
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        fill(*opened.store, 40);
        // Open, with its log holding the last pages: both are looked at.
        const std::string bytes = everyFileOf(folder.path());
        ASSERT_TRUE(fs::exists(folder.file("history.sqlite-wal")));
        for (const std::string& word : kWords)
            EXPECT_EQ(bytes.find(word), std::string::npos) << word << " while open";
        EXPECT_EQ(bytes.find("SQLite format 3"), std::string::npos);
        EXPECT_EQ(opened.store->search("天気予報", 100).size(), 40u);
    }
    const std::string bytes = everyFileOf(folder.path());
    for (const std::string& word : kWords)
        EXPECT_EQ(bytes.find(word), std::string::npos) << word << " once closed";
    // The key opens it all again.
    OpenedHistory again =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    EXPECT_TRUE(again.setAsideAs.empty());
    EXPECT_EQ(again.store->search("zqxsealedword", 100).size(), 40u);
    EXPECT_EQ(again.store->thumbnail("http://sealed.test/7")->bytes, page(7, "").thumbnail.bytes);
}

// Visits larger than SQLite's page cache spill into the log mid-transaction, and SQLite then
// writes pages of the log again in place and fills in their frames' salts only at the commit.
TEST(SealedHistory, VisitsLargerThanTheCacheReadBackWhole) {
    TempFolder folder;
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "設定 パッケージ zqxword" + std::to_string(i) + " ";
    for (int n = 0; n < 200; ++n) {
        std::vector<std::uint8_t> picture(20000);
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] = static_cast<std::uint8_t>((i * 7919 + n * 104729) >> 3);
        opened.store->store({"https://large.test/" + std::to_string(n),
                             "ページ",
                             n,
                             {20, 10, picture},
                             text.substr(n % 1000)});
    }
    EXPECT_EQ(opened.store->pageCount(), 200);
    EXPECT_EQ(opened.store->search("パッケージ", 500).size(), 200u);
    EXPECT_FALSE(readEverything(folder.file("history.sqlite"), *test::testSeal()));
}

TEST(SealedHistory, AnotherKeySetsTheFileAsideWholeAndStartsANewOne) {
    TempFolder folder;
    makeSealedHistory(folder.path(), 5);
    const std::string before = readFile(folder.file("history.sqlite"));
    const SealedVfs otherKey(SealKey::random());
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), &otherKey);
    ASSERT_FALSE(opened.setAsideAs.empty());
    EXPECT_TRUE(readFile(opened.setAsideAs) == before) << "changed when set aside";
    EXPECT_GT(otherKey.forgeries(), 0);
    EXPECT_EQ(opened.store->pageCount(), 0);
    opened.store->store(page(1, "zqxnewword"));
    EXPECT_EQ(opened.store->search("zqxnewword", 5).size(), 1u);
    // The file set aside still opens with its own key.
    fs::rename(opened.setAsideAs, folder.file("aside.sqlite"));
    fs::rename(opened.setAsideAs + "-ledger", folder.file("aside.sqlite-ledger"));
    EXPECT_EQ(HistoryStore(folder.file("aside.sqlite"), test::testSeal()).pageCount(), 5);
}

TEST(SealedHistory, AChangedByteAMovedPageOrAPageOfAnotherFileIsNeverReadAsData) {
    TempFolder source;
    makeSealedHistory(source.path(), 60);
    TempFolder other; // a copy of the same history made apart: same pages, another salt
    makeSealedHistory(other.path(), 60);
    const std::string file = source.file("history.sqlite");
    const std::string original = readFile(file);
    const std::size_t pages = original.size() / kSealedPageSize;
    ASSERT_GT(pages, 8u);
    ASSERT_FALSE(readEverything(file, *test::testSeal()));

    // SQLite's own check may come first (a file cut short is a corrupt file to it).
    const auto expectCaught = [&](const std::string& what, const std::string& changed,
                                  bool bySeal = true) {
        test::writeFile(file, changed);
        const int before = test::testSeal()->forgeries();
        const auto error = readEverything(file, *test::testSeal());
        ASSERT_TRUE(error) << what << ": read as if whole";
        if (bySeal) {
            EXPECT_EQ(error->extendedCode(), SQLITE_IOERR_DATA) << what << ": " << error->what();
            EXPECT_GT(test::testSeal()->forgeries(), before) << what;
        }
        // Opened as the kept history, a file whose opening meets the change is set aside as it
        // is, and a new one begins.
        TempFolder folder;
        test::writeFile(folder.file("history.sqlite"), changed);
        fs::permissions(folder.file("history.sqlite"),
                        fs::perms::owner_read | fs::perms::owner_write);
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        if (!opened.setAsideAs.empty()) {
            EXPECT_TRUE(readFile(opened.setAsideAs) == changed) << what;
        }
    };
    const std::size_t middle = pages / 2 * kSealedPageSize;
    for (const std::size_t at : {std::size_t{100}, middle + 7, middle + kSealedPageSize - 30,
                                 middle + kSealedPageSize - 3}) {
        std::string changed = original; // in the first page, a page's middle, nonce, tag
        changed[at] = static_cast<char>(changed[at] ^ 1);
        expectCaught("a byte flipped at " + std::to_string(at), changed);
    }
    std::string swapped = original;
    std::swap_ranges(swapped.begin() + middle, swapped.begin() + middle + kSealedPageSize,
                     swapped.begin() + middle + kSealedPageSize);
    expectCaught("two pages swapped", swapped);
    const std::string copy = readFile(other.file("history.sqlite"));
    std::string foreign = original;
    foreign.replace(middle, kSealedPageSize, copy.substr(middle, kSealedPageSize));
    expectCaught("a page of another copy put back", foreign);
    std::string truncated = original.substr(0, original.size() - kSealedPageSize / 2);
    expectCaught("the file cut in a page", truncated, false);
}

TEST(SealedHistory, ALogCutShortOrChangedEndsAtItsLastWholeCommitAndNothingElseIsRead) {
    TempFolder folder;
    const std::string file = folder.file("history.sqlite");
    makeSealedHistory(folder.path(), 3); // its first pages moved into the file
    // A connection that never checkpoints, copied mid-run as a crash would leave it.
    Database db(file, false, test::testSeal()->name());
    db.execute("PRAGMA wal_autocheckpoint=0");
    for (int n = 1; n <= 6; ++n) {
        Transaction transaction(db);
        db.execute(
            ("INSERT INTO excluded_hosts(host) VALUES('host" + std::to_string(n) + ".zqxlog')")
                .c_str());
        transaction.commit();
    }
    const std::string base = readFile(file);
    const std::string ledger = readFile(file + "-ledger");
    const std::string log = readFile(file + "-wal");
    constexpr std::size_t kFrame = 24 + kSealedPageSize;
    const std::size_t frames = (log.size() - 32) / kFrame;
    ASSERT_GE(frames, 6u);
    const auto hostsAfterCrash = [&](const std::string& changedLog) {
        TempFolder crashed;
        test::writeFile(crashed.file("history.sqlite"), base);
        test::writeFile(crashed.file("history.sqlite-ledger"), ledger);
        test::writeFile(crashed.file("history.sqlite-wal"), changedLog);
        Database reopened(crashed.file("history.sqlite"), false, test::testSeal()->name());
        Statement check = reopened.prepare("PRAGMA integrity_check");
        check.step();
        EXPECT_EQ(check.text(0), "ok");
        Statement count = reopened.prepare("SELECT count(*) FROM excluded_hosts");
        count.step();
        return count.integer(0);
    };
    EXPECT_EQ(hostsAfterCrash(log), 6);
    // Cut in the last frame's page, then right after the frame before: the last commit goes.
    EXPECT_EQ(hostsAfterCrash(log.substr(0, log.size() - 100)), 5);
    EXPECT_EQ(hostsAfterCrash(log.substr(0, log.size() - kFrame)), 5);
    // A byte changed in the third frame's page: the log ends before it, as a crash there would.
    std::string changed = log;
    changed[32 + 2 * kFrame + 24 + 500] ^= 1;
    const auto kept = hostsAfterCrash(changed);
    EXPECT_LT(kept, 6);
    EXPECT_GE(kept, 0);
}

TEST(SealedHistory, APlainHistoryIsSealedOnItsFirstOpeningWithAKeyAndAKillLosesNoPage) {
    const SealedVfs* seal = test::testSeal(); // made before the forks: they share its key
    const auto makePlain = [](const std::string& folder) {
        HistoryStore plain(folder + "/history.sqlite");
        fill(plain, 300);
    };
    for (const std::chrono::microseconds delay :
         {0us, 500us, 2000us, 5000us, 10000us, 20000us, 40000us, 80000us, 200000us}) {
        TempFolder folder;
        makePlain(folder.path());
        ASSERT_NO_FATAL_FAILURE(openAndKillAfter(folder.path(), seal, delay));
        // Plain or sealed, whichever the kill left, the next opening has every page, sealed.
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        EXPECT_TRUE(opened.setAsideAs.empty()) << delay.count();
        EXPECT_EQ(opened.store->pageCount(), 300) << delay.count();
        EXPECT_EQ(opened.store->search("天気予報", 500).size(), 300u) << delay.count();
        EXPECT_EQ(historyFileForm(folder.file("history.sqlite")), HistoryFileForm::Sealed);
        opened.store.reset();
        const std::string bytes = everyFileOf(folder.path());
        for (const std::string& word : kWords)
            EXPECT_EQ(bytes.find(word), std::string::npos) << word << " after " << delay.count();
        EXPECT_EQ(fs::status(folder.file("history.sqlite")).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
    }
}

TEST(SealedHistory, ASealedHistoryWithoutItsKeyIsLeftAsItIs) {
    TempFolder folder;
    makeSealedHistory(folder.path(), 2);
    const std::string before = readFile(folder.file("history.sqlite"));
    EXPECT_THROW(openKeptHistory(folder.path(), std::chrono::system_clock::now(), nullptr),
                 SealedHistoryWithoutKey);
    EXPECT_TRUE(readFile(folder.file("history.sqlite")) == before);
}

TEST(SealedHistory,
     AFileMovedForwardToThePanesAndTextIndexesLosesNoPageWhateverMomentItIsKilledAt) {
    const SealedVfs* seal = test::testSeal(); // made before the forks: they share its key
    for (const std::chrono::microseconds delay : {0us, 1000us, 5000us, 20000us, 80000us}) {
        TempFolder folder;
        makeSealedHistory(folder.path(), 2000);
        // Back to the version before the pane's index, as an earlier Quillet left it.
        test::takeBackToSchema(folder.file("history.sqlite"), *seal, 4);
        ASSERT_NO_FATAL_FAILURE(openAndKillAfter(folder.path(), seal, delay));
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), seal);
        EXPECT_TRUE(opened.setAsideAs.empty()) << delay.count();
        EXPECT_EQ(opened.store->pageCount(), 2000) << delay.count();
        const auto newest = opened.store->newest(3, false);
        ASSERT_EQ(newest.size(), 3u) << delay.count();
        EXPECT_EQ(newest[0].address, "http://sealed.test/2000") << delay.count();
        EXPECT_EQ(opened.store->search("天気予報", 5000).size(), 2000u) << delay.count();
        opened.store.reset();
        EXPECT_FALSE(readEverything(folder.file("history.sqlite"), *seal)) << delay.count();
    }
}

// SQLite writes a frame of the log as its header, then its page; the seal writes the two in
// one go. A header written alone must still be in the file for whatever comes next.
TEST(SealedHistory, AFrameHeaderWrittenAloneIsInTheLogForWhateverComesNext) {
    TempFolder folder;
    const std::string database = folder.file("history.sqlite");
    test::writeFile(database, ""); // a log is made with its database's mode
    const std::unique_ptr<const char, void (*)(sqlite3_filename)> name(
        sqlite3_create_filename(database.c_str(), (database + "-journal").c_str(),
                                (database + "-wal").c_str(), 0, nullptr),
        sqlite3_free_filename);
    sqlite3_vfs* vfs = sqlite3_vfs_find(test::testSeal()->name());
    ASSERT_NE(vfs, nullptr);
    constexpr int kFrameHeader = 24;
    constexpr int kFrame = kFrameHeader + static_cast<int>(kSealedPageSize);
    std::vector<std::uint8_t> header(kFrameHeader, 0);
    header[3] = 7; // page 7
    std::vector<std::uint8_t> page(kSealedPageSize, 0x5a);
    std::fill(page.end() - kSealReserve, page.end(), 0); // SQLite's reserve, the seal's room
    std::vector<char> memory(static_cast<std::size_t>(vfs->szOsFile));
    auto* log = reinterpret_cast<sqlite3_file*>(memory.data());
    int flags = 0;
    ASSERT_EQ(vfs->xOpen(vfs, sqlite3_filename_wal(name.get()), log,
                         SQLITE_OPEN_WAL | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &flags),
              SQLITE_OK);
    const sqlite3_io_methods& io = *log->pMethods;
    const std::vector<std::uint8_t> logHeader(32, 1);
    ASSERT_EQ(io.xWrite(log, logHeader.data(), 32, 0), SQLITE_OK);

    // The first frame's header, then the log's size, a read of the header and its page.
    ASSERT_EQ(io.xWrite(log, header.data(), kFrameHeader, 32), SQLITE_OK);
    sqlite3_int64 size = 0;
    ASSERT_EQ(io.xFileSize(log, &size), SQLITE_OK);
    EXPECT_EQ(size, 32 + kFrameHeader);
    std::vector<std::uint8_t> read(kFrame);
    ASSERT_EQ(io.xRead(log, read.data(), kFrameHeader, 32), SQLITE_OK);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), read.begin()));
    ASSERT_EQ(io.xWrite(log, page.data(), static_cast<int>(kSealedPageSize), 32 + kFrameHeader),
              SQLITE_OK);

    // The second frame as SQLite writes one: read back, its page sealed and its header plain.
    header[3] = 8;
    ASSERT_EQ(io.xWrite(log, header.data(), kFrameHeader, 32 + kFrame), SQLITE_OK);
    ASSERT_EQ(
        io.xWrite(log, page.data(), static_cast<int>(kSealedPageSize), 32 + kFrame + kFrameHeader),
        SQLITE_OK);
    for (const int frame : {0, 1}) {
        ASSERT_EQ(io.xRead(log, read.data(), static_cast<int>(kSealedPageSize),
                           32 + frame * kFrame + kFrameHeader),
                  SQLITE_OK);
        EXPECT_TRUE(std::equal(page.begin(), page.end(), read.begin())) << frame;
    }

    // A third header, then the log closed: the header is in the file.
    header[3] = 9;
    ASSERT_EQ(io.xWrite(log, header.data(), kFrameHeader, 32 + 2 * kFrame), SQLITE_OK);
    ASSERT_EQ(io.xClose(log), SQLITE_OK);
    const std::string bytes = readFile(sqlite3_filename_wal(name.get()));
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(32 + 2 * kFrame + kFrameHeader));
    EXPECT_EQ(bytes[32 + kFrame + 3], 8);
    EXPECT_EQ(bytes.substr(32 + 2 * kFrame), std::string(header.begin(), header.end()));
    EXPECT_EQ(bytes.find(std::string(64, '\x5a')), std::string::npos);
}
