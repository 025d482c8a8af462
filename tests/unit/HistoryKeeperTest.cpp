// SPDX-License-Identifier: MIT
// The history's worker on a main loop of its own, without a display: work done in order,
// overtaken searches dropped, answers dropped with their caller, every request answered when
// its work fails (of any type), an answer that throws holding up no other, one notice for a
// disk that failed, and the work handed over finished when the keeper goes.

#include "HistoryKeeper.h"
#include "EarlierSchema.h"
#include "HistoryFile.h"
#include "HistoryStore.h"
#include "SavedArchive.h"
#include "SavedPictures.h"
#include "TestFiles.h"
#include "TestSeal.h"
#include "ThumbnailCodec.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gdkmm/wrap_init.h>
#include <glibmm/exceptionhandler.h>
#include <glibmm/init.h>
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet;
using quillet::test::TempFolder;
using namespace std::chrono_literals;

namespace {

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Glib::MainContext::get_default()->iteration(false);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

PageVisit page(int n, const std::string& text) {
    return {
        "http://site.test/" + std::to_string(n), "page " + std::to_string(n), 1000 + n, {}, text};
}

std::vector<std::string> addressesOf(const std::vector<SearchHit>& hits) {
    std::vector<std::string> addresses;
    for (const SearchHit& hit : hits)
        addresses.push_back(hit.entry.address);
    return addresses;
}

// Holds the worker until released: work handed over meanwhile waits in its queue. The flag
// is shared with the held work, which may look at it once more after this has gone.
class HeldWorker {
  public:
    explicit HeldWorker(HistoryKeeper& keeper) {
        keeper.runOnWorker([released = released_] {
            while (!*released)
                std::this_thread::sleep_for(1ms);
        });
    }
    ~HeldWorker() { release(); }
    void release() { *released_ = true; }

  private:
    std::shared_ptr<std::atomic<bool>> released_ = std::make_shared<std::atomic<bool>>(false);
};

// The first number `sql` reads from the kept file, while another process may be writing it.
std::int64_t countIn(const std::string& file, const char* sql) {
    Database db(file, false, test::keyringSeal()->name());
    sqlite3_busy_timeout(db.handle(), 5000);
    Statement statement = db.prepare(sql);
    statement.step();
    return statement.integer(0);
}

// A child process with a keeper of `folder` that does `work` until the test kills it (it never
// outlives the test). The keyring's key is read before the fork: a forked child cannot use the
// session bus.
pid_t keeperToKill(const std::string& folder, const std::function<void(HistoryKeeper&)>& work) {
    const SealKey key = test::keyringSeal()->key();
    const pid_t child = fork();
    if (child != 0)
        return child;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    try {
        HistoryKeeper keeper(folder, true, HistoryKeeper::WithoutKeyring::Ask, [&key] {
            return KeyringAnswer{SealKey(key), {}, false};
        });
        work(keeper);
    } catch (...) {
    }
    ::_exit(1);
}

class HistoryKeeperTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        Glib::init();
        Gdk::wrap_init(); // the thumbnails are gdk-pixbuf pictures
    }
    void SetUp() override {
        handler_ = Glib::add_exception_handler([this] { ++failuresReported; });
    }
    void TearDown() override { handler_.disconnect(); }

    int failuresReported = 0;
    TempFolder folder;
    const std::string keptFolder = folder.file("data/Quillet");

    // A kept file of `pages` pages, each with a thumbnail of its own colour and none with its
    // look worked out yet.
    void keepPagesWithoutLooks(int pages) {
        OpenedHistory opened =
            openKeptHistory(keptFolder, std::chrono::system_clock::now(), test::keyringSeal());
        for (int n = 0; n < pages; ++n) {
            auto picture = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 120, 90);
            picture->fill(0x102030FF + static_cast<guint32>(n) * 0x01000000);
            PageVisit visit = page(n, "zqxword");
            visit.thumbnail = packThumbnail(picture);
            opened.store->store(visit);
        }
        opened.store.reset();
        Database db(keptFolder + "/history.sqlite", false, test::keyringSeal()->name());
        db.execute("DELETE FROM looks");
    }

  private:
    sigc::connection handler_;
};

} // namespace

TEST_F(HistoryKeeperTest, WorkIsDoneInOrderAndOvertakenSearchesAreDropped) {
    HistoryKeeper keeper(keptFolder, true);
    HistoryKeeper::Requests requests;
    std::vector<std::string> answered;
    {
        HeldWorker held(keeper);
        keeper.store(page(1, "zqxalpha"));
        keeper.search("zqxalpha", 10, requests, [&](std::vector<SearchHit> hits) {
            answered.push_back("first:" + std::to_string(hits.size()));
        });
        keeper.remove({"http://site.test/1"});
        keeper.store(page(2, "zqxalpha again"));
        for (const char* typed : {"z", "zq", "zqx"})
            keeper.search(typed, 10, requests,
                          [&, typed](std::vector<SearchHit>) { answered.push_back(typed); });
        keeper.search("zqxalpha", 10, requests, [&](std::vector<SearchHit> hits) {
            answered.push_back("last:" + addressesOf(hits).at(0));
        });
    }
    ASSERT_TRUE(pumpUntil([&] { return answered.size() == 1; }));
    keeper.waitUntilIdle();
    pumpFor(50ms);
    // Only the newest search answers: the first was overtaken before the worker reached it
    // too, as were the three typed in between.
    EXPECT_EQ(answered, std::vector<std::string>{"last:http://site.test/2"});
}

TEST_F(HistoryKeeperTest, AnswersOfACallerThatWentAreDropped) {
    HistoryKeeper keeper(keptFolder, true);
    keeper.store(page(1, "zqxbeta"));
    int delivered = 0;
    HistoryKeeper::Requests stays;
    {
        HistoryKeeper::Requests goes;
        HeldWorker held(keeper);
        keeper.excludedHosts(goes, [&](std::vector<std::string>) { delivered += 100; });
        keeper.thumbnails({"http://site.test/1"}, goes,
                          [&](HistoryKeeper::Thumbnails) { delivered += 100; });
        keeper.excludedHosts(stays, [&](std::vector<std::string>) { ++delivered; });
    }
    HistoryKeeper::Requests cancelled;
    keeper.loadKept(10, cancelled, [&](std::vector<StoredEntry>) { delivered += 1000; });
    cancelled.cancel();
    keeper.waitUntilIdle();
    ASSERT_TRUE(pumpUntil([&] { return delivered > 0; }));
    pumpFor(50ms);
    EXPECT_EQ(delivered, 1);
}

// A piece of work that throws (an exception of any type) ends neither the worker nor the
// answers; a request whose work fails is answered empty; an answer that throws is reported
// the program's way and the next answer still comes.
TEST_F(HistoryKeeperTest, FailingWorkAndThrowingAnswersHoldUpNothing) {
    HistoryKeeper keeper(keptFolder, false);
    HistoryKeeper::Requests requests;
    keeper.runOnWorker([] { throw std::runtime_error("a failing step"); });
    keeper.runOnWorker([] { throw Glib::Error(G_FILE_ERROR, G_FILE_ERROR_NOENT, "no file"); });
    keeper.runOnWorker([] { throw 42; });
    keeper.store(page(3, "zqxgamma"));
    std::vector<std::string> answers;
    keeper.excludedHosts(requests, [&](std::vector<std::string>) {
        answers.push_back("throws");
        throw std::runtime_error("an answer that fails");
    });
    keeper.search("zqxgamma", 10, requests,
                  [&](std::vector<SearchHit> hits) { answers.push_back(addressesOf(hits).at(0)); });
    ASSERT_TRUE(pumpUntil([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1], "http://site.test/3");
    EXPECT_EQ(failuresReported, 1);
}

// The kept file going bad under the keeper (here its table dropped by another program): the
// search is answered, with this run's matches, and the user is told once.
TEST_F(HistoryKeeperTest, AFileThatFailsIsToldOnceAndEveryRequestStillAnswered) {
    HistoryKeeper keeper(keptFolder, true);
    HistoryKeeper::Requests requests;
    std::vector<std::string> told;
    keeper.signal_Problem().connect([&](const std::string& text) { told.push_back(text); });
    keeper.store(page(4, "zqxdelta"));
    keeper.waitUntilIdle();
    {
        Database other(keptFolder + "/history.sqlite", false, test::keyringSeal()->name());
        other.execute("DROP TABLE visits");
    }
    int answered = 0;
    for (int i = 0; i < 3; ++i) {
        keeper.store(page(10 + i, "zqxdelta later"));
        keeper.search("zqxdelta", 10, requests, [&](std::vector<SearchHit>) { ++answered; });
        keeper.waitUntilIdle();
        ASSERT_TRUE(pumpUntil([&] { return answered == i + 1; })) << "search " << i;
    }
    pumpFor(50ms);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].find("履歴を保存できなくなりました"), 0u) << told[0];
    // Storing stopped, this run's search goes on: the later pages are found in it.
    std::vector<std::string> found;
    keeper.search("later", 10, requests,
                  [&](std::vector<SearchHit> hits) { found = addressesOf(hits); });
    ASSERT_TRUE(pumpUntil([&] { return !found.empty(); }));
    EXPECT_EQ(found.size(), 3u); // the one whose storing failed too
}

// Destroyed with work still queued: every visit and removal handed over is in the file.
TEST_F(HistoryKeeperTest, WorkHandedOverIsFinishedWhenTheKeeperGoes) {
    {
        HistoryKeeper keeper(keptFolder, true);
        HeldWorker held(keeper);
        for (int n = 0; n < 200; ++n)
            keeper.store(page(n, "zqxepsilon " + std::to_string(n)));
        std::vector<std::string> removed;
        for (int n = 0; n < 200; n += 2)
            removed.push_back("http://site.test/" + std::to_string(n));
        keeper.remove(removed);
        held.release();
    }
    HistoryStore store(keptFolder + "/history.sqlite", test::keyringSeal());
    EXPECT_EQ(store.pageCount(), 100);
    EXPECT_TRUE(store.visitsOf("http://site.test/0").empty());
    EXPECT_EQ(store.visitsOf("http://site.test/199").size(), 1u);
}

// With keeping on, a page is held once, in the kept file; the pages of this run are still
// found after keeping is turned off (kept or deleted) and after their site is left out.
TEST_F(HistoryKeeperTest, ThisRunsPagesAreFoundAfterKeepingStopsOrTheirSiteIsLeftOut) {
    HistoryKeeper keeper(keptFolder, true);
    HistoryKeeper::Requests requests;
    keeper.store(page(1, "zqxzeta"));
    keeper.store({"http://other.test/", "other", 2000, {}, "zqxzeta other"});
    const auto found = [&] {
        std::optional<std::vector<std::string>> result;
        keeper.search("zqxzeta", 10, requests,
                      [&](std::vector<SearchHit> hits) { result = addressesOf(hits); });
        EXPECT_TRUE(pumpUntil([&] { return result.has_value(); }));
        return result.value_or(std::vector<std::string>{});
    };
    keeper.excludeHost("other.test");
    EXPECT_EQ(found(), (std::vector<std::string>{"http://other.test/", "http://site.test/1"}));
    keeper.stopKeeping(true);
    EXPECT_EQ(found(), (std::vector<std::string>{"http://other.test/", "http://site.test/1"}));
    keeper.waitUntilIdle();
    for (const char* part : {"", "-wal", "-shm", "-ledger"})
        EXPECT_FALSE(std::filesystem::exists(keptFolder + "/history.sqlite" + part)) << part;
}

// A visit whose content is withheld: the kept file holds its address, title and visit, this
// run's search finds it by its text, once. While paused, nothing goes to the file and this
// run's search still finds every page; after the pause, storing goes on.
TEST_F(HistoryKeeperTest, WithheldContentAndAPauseKeepTheTextInThisRunOnly) {
    HistoryKeeper keeper(keptFolder, true);
    HistoryKeeper::Requests requests;
    const auto found = [&](const std::string& typed) {
        std::optional<std::vector<std::string>> result;
        keeper.search(typed, 10, requests,
                      [&](std::vector<SearchHit> hits) { result = addressesOf(hits); });
        EXPECT_TRUE(pumpUntil([&] { return result.has_value(); }));
        return result.value_or(std::vector<std::string>{});
    };
    PageVisit signIn = page(1, "zqxsecretword");
    signIn.thumbnail = {2, 1, {1, 2, 3}};
    signIn.contentWithheld = true;
    keeper.store(signIn);
    EXPECT_EQ(found("zqxsecretword"), std::vector<std::string>{"http://site.test/1"});
    EXPECT_EQ(found("page 1"), std::vector<std::string>{"http://site.test/1"}); // not twice

    keeper.pauseKeeping(true);
    keeper.store(page(2, "zqxpausedword"));
    EXPECT_EQ(found("zqxpausedword"), std::vector<std::string>{"http://site.test/2"});
    keeper.pauseKeeping(false);
    keeper.store(page(3, "zqxresumedword"));
    keeper.waitUntilIdle();
    {
        HistoryStore kept(keptFolder + "/history.sqlite", test::keyringSeal());
        const auto stored = kept.visitOf("http://site.test/1");
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->title, "page 1");
        EXPECT_EQ(stored->text, "");
        EXPECT_FALSE(kept.thumbnail("http://site.test/1"));
        EXPECT_FALSE(kept.visitOf("http://site.test/2"));
        EXPECT_EQ(kept.search("zqxresumedword", 10).size(), 1u);
    }
    keeper.remove({"http://site.test/1"}); // from this run's history too
    EXPECT_TRUE(found("zqxsecretword").empty());
}

// A file of the version before looks: it moves forward when opened, and the worker works out
// the looks of its thumbnails between other work, so a search answers at once; a keeper that
// ends half-way leaves the rest to the next.
TEST_F(HistoryKeeperTest, LooksOfAnOlderFileAreWorkedOutInTheBackground) {
    constexpr int kPages = 120;
    {
        OpenedHistory opened =
            openKeptHistory(keptFolder, std::chrono::system_clock::now(), test::keyringSeal());
        HistoryStore& written = *opened.store;
        for (int n = 0; n < kPages; ++n) {
            auto picture = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 120, 90);
            picture->fill(n % 2 ? 0x20A040FF : 0xF0F0F0FF); // green and white pages in turn
            PageVisit visit = page(n, "zqxword");
            visit.thumbnail = packThumbnail(picture);
            written.store(visit);
        }
    }
    // Back to the schema before looks, as an earlier Quillet left it.
    test::takeBackToSchema(folder.file("data/Quillet/history.sqlite"), *test::keyringSeal(), 3);
    HistoryKeeper::Requests requests;
    std::optional<std::size_t> found;
    {
        HistoryKeeper first(keptFolder, true);
        first.search("zqxword", 200, requests,
                     [&](std::vector<SearchHit> hits) { found = hits.size(); });
        ASSERT_TRUE(pumpUntil([&] { return found.has_value(); }));
        EXPECT_EQ(*found, std::size_t{kPages});
    } // ends with looks still to work out, most likely
    HistoryKeeper keeper(keptFolder, true);
    keeper.waitUntilIdle();
    std::optional<std::vector<SearchHit>> similar;
    keeper.similar("http://site.test/1", 50, requests,
                   [&](std::vector<SearchHit> hits) { similar = std::move(hits); });
    std::optional<std::vector<SearchHit>> green;
    keeper.search(HistoryFilter{"zqxword", chipBit(ColourChip::Green)}, 200, requests,
                  [&](std::vector<SearchHit> hits) { green = std::move(hits); });
    ASSERT_TRUE(pumpUntil([&] { return similar && green; }));
    ASSERT_EQ(similar->size(), 50U);
    EXPECT_EQ(similar->front().entry.address, "http://site.test/1");
    for (const SearchHit& hit : *similar) // the green pages (odd numbers) look alike
        EXPECT_EQ(hit.entry.address.back() % 2, 1) << hit.entry.address;
    EXPECT_EQ(green->size(), std::size_t{kPages / 2});
    HistoryStore kept(keptFolder + "/history.sqlite", test::keyringSeal());
    EXPECT_TRUE(kept.unseenLooks(10).empty());
}

// At start the window's first rows come first: the worker leaves the looks it owes until the
// window has had them (or until a few seconds after opening, if it never asks).
TEST_F(HistoryKeeperTest, TheLooksOwedWaitForTheWindowsFirstRows) {
    constexpr int kPages = 40;
    keepPagesWithoutLooks(kPages);
    const auto looksKept = [&] {
        std::this_thread::sleep_for(20ms);
        return countIn(keptFolder + "/history.sqlite", "SELECT count(*) FROM looks");
    };
    HistoryKeeper keeper(keptFolder, true);
    pumpFor(1s);
    EXPECT_EQ(looksKept(), 0);
    HistoryKeeper::Requests requests;
    std::size_t rows = 0;
    keeper.loadKept(100, requests, [&](std::vector<StoredEntry> part) { rows += part.size(); });
    ASSERT_TRUE(pumpUntil([&] { return rows == kPages; }));
    // Well before the few seconds are over.
    EXPECT_TRUE(pumpUntil([&] { return looksKept() == kPages; }, 1500ms));
}

// A process killed (kill -9) while it works out an older file's looks leaves the file whole:
// every page and thumbnail is there, the looks written so far stay, and the next keeper
// finishes the rest.
TEST_F(HistoryKeeperTest, AKillWhileLooksAreWorkedOutLosesNothing) {
    constexpr int kPages = 400;
    keepPagesWithoutLooks(kPages);
    const std::string file = keptFolder + "/history.sqlite";
    const auto count = [&](const char* sql) { return countIn(file, sql); };
    // Works out the looks until it is killed.
    const pid_t child = keeperToKill(keptFolder, [](HistoryKeeper&) {
        for (int second = 0; second < 60; ++second)
            std::this_thread::sleep_for(1s);
    });
    ASSERT_GE(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (count("SELECT count(*) FROM looks") < 48 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const auto worked = count("SELECT count(*) FROM looks");
    RecordProperty("looksBeforeTheKill", static_cast<int>(worked));
    EXPECT_GE(worked, 48);
    EXPECT_EQ(count("SELECT count(*) FROM pages WHERE thumbnail IS NOT NULL"), kPages);
    {
        Database db(file, false, test::keyringSeal()->name());
        Statement check = db.prepare("PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.text(0), "ok");
    }
    HistoryKeeper keeper(keptFolder, true);
    keeper.waitUntilIdle();
    EXPECT_EQ(count("SELECT count(*) FROM looks"), kPages);
    EXPECT_FALSE(std::filesystem::exists(keptFolder + "/history.sqlite.broken"));
    for (const auto& entry : std::filesystem::directory_iterator(keptFolder))
        EXPECT_EQ(entry.path().filename().string().find("broken"), std::string::npos);
}

// The space the user sets for saved copies holds from when it is set and after every visit
// stored; without a limit nothing is dropped.
TEST_F(HistoryKeeperTest, TheSavedCopiesSpaceHoldsAfterEveryVisit) {
    HistoryKeeper keeper(keptFolder, true);
    HistoryKeeper::Requests requests;
    const auto savedSize = [&] {
        std::optional<std::int64_t> size;
        keeper.savedCopiesSize(requests, [&](std::int64_t bytes) { size = bytes; });
        EXPECT_TRUE(pumpUntil([&] { return size.has_value(); }));
        return size.value_or(-1);
    };
    const auto versions = [&] {
        std::optional<std::vector<SavedVersion>> found;
        keeper.savedVersions("http://site.test/1", requests,
                             [&](std::vector<SavedVersion> all) { found = std::move(all); });
        EXPECT_TRUE(pumpUntil([&] { return found.has_value(); }));
        return found.value_or(std::vector<SavedVersion>{});
    };
    std::mt19937 random(3);
    const auto visit = [&](int n) {
        std::string unpackable;
        for (int i = 0; i < 4000; ++i)
            unpackable += static_cast<char>('A' + random() % 26);
        PageVisit version = page(1, "版 " + std::to_string(n));
        version.time = 1000 + n;
        version.thumbnail = {2, 1, {1, 2, 3}};
        version.savedCopy =
            "Content-Type: multipart/related; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: "
            "text/html\r\nContent-Location: http://site.test/1\r\n\r\n<p>" +
            unpackable + "</p>\r\n--b--\r\n";
        keeper.store(version);
    };
    keeper.setSavedCopiesSpace(std::nullopt);
    for (int n = 0; n < 6; ++n)
        visit(n);
    keeper.waitUntilIdle();
    ASSERT_EQ(versions().size(), 6u);
    const std::int64_t all = savedSize();
    keeper.setSavedCopiesSpace(all / 2);
    keeper.waitUntilIdle();
    EXPECT_LE(savedSize(), all / 2);
    const std::size_t left = versions().size();
    EXPECT_LT(left, 6u);
    EXPECT_EQ(versions().front().saved, 1000 + static_cast<StoredTime>(6 - left))
        << "the oldest went first";
    for (int n = 6; n < 9; ++n)
        visit(n);
    keeper.waitUntilIdle();
    EXPECT_LE(savedSize(), all / 2);
    EXPECT_EQ(versions().back().saved, 1008);
}

// A saved copy is served with its SVG pictures drawn as PNGs of their own size (the engine
// never finishes loading a copy that holds an SVG picture); one too large to draw is left out.
TEST_F(HistoryKeeperTest, ASavedCopyIsServedWithItsSvgPicturesDrawn) {
    HistoryKeeper keeper(keptFolder, true);
    HistoryKeeper::Requests requests;
    const auto svgPart = [](const std::string& address, int width) {
        const std::string size = std::to_string(width);
        return "--b\r\nContent-Type: image/svg+xml\r\nContent-Transfer-Encoding: "
               "quoted-printable\r\nContent-Location: " +
               address + "\r\n\r\n<svg xmlns=3D\"http://www.w3.org/2000/svg\" width=3D\"" + size +
               "\" height=3D\"6\"><rect width=3D\"" + size +
               "\" height=3D\"6\" fill=3D\"teal\"/></svg>=\r\n\r\n";
    };
    PageVisit visit = page(1, "図のあるページ");
    visit.thumbnail = {2, 1, {1, 2, 3}};
    visit.savedCopy = "Content-Type: multipart/related; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: "
                      "text/html\r\nContent-Location: http://site.test/1\r\n\r\n<img src=a.svg>"
                      "<img src=huge.svg>\r\n" +
                      svgPart("http://site.test/a.svg", 8) +
                      svgPart("http://site.test/huge.svg", 100000) + "--b--\r\n";
    keeper.store(visit);
    std::optional<std::optional<HistoryKeeper::SavedCopy>> served;
    keeper.savedCopy(
        "http://site.test/1", visit.time, requests,
        [&](std::optional<HistoryKeeper::SavedCopy> copy) { served = std::move(copy); });
    ASSERT_TRUE(pumpUntil([&] { return served.has_value(); }));
    ASSERT_TRUE(served->has_value());
    const std::string& archive = (*served)->archive;
    EXPECT_EQ(archive.find("image/svg+xml"), std::string::npos) << archive;
    EXPECT_EQ(archive.find("Location: http://site.test/huge.svg"), std::string::npos)
        << "too large to draw: left out";
    const auto parts = splitArchive(archive);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->parts.size(), 2u);
    EXPECT_EQ(headerValue(partHeader(parts->parts[1]), "Content-Location"),
              "http://site.test/a.svg");
    const std::optional<std::string> png = decodedBody(parts->parts[1]);
    ASSERT_TRUE(png);
    const auto picture = unpackThumbnail({0, 0, {png->begin(), png->end()}});
    EXPECT_EQ(picture->get_width(), 8);
    EXPECT_EQ(picture->get_height(), 6);
}

namespace {

// A visit of page n with a copy of its own (20 KB that do not pack), the same every time.
PageVisit visitWithCopy(int n) {
    std::mt19937 random(static_cast<unsigned>(n));
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += static_cast<char>('A' + random() % 26);
    PageVisit visit = page(n, "本文 " + std::to_string(n));
    visit.thumbnail = {2, 1, {1, 2, 3}};
    visit.savedCopy = "Content-Type: multipart/related; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: "
                      "text/html\r\nContent-Location: http://site.test/" +
                      std::to_string(n) + "\r\n\r\n<p>" + body + "</p>\r\n--b--\r\n";
    return visit;
}

} // namespace

// A process killed (kill -9) while it stores visits with their copies loses nothing else: the
// file is whole, every visit stored has its copy, each copy reads back byte for byte, and the
// next keeper goes on storing.
TEST_F(HistoryKeeperTest, AKillWhileCopiesAreSavedLosesNothingElse) {
    const std::string file = keptFolder + "/history.sqlite";
    {
        HistoryKeeper keeper(keptFolder, true); // the file and its key, made before the fork
        keeper.store(visitWithCopy(0));
        keeper.waitUntilIdle();
    }
    const auto count = [&](const char* sql) { return countIn(file, sql); };
    const pid_t child = keeperToKill(keptFolder, [](HistoryKeeper& keeper) {
        for (int n = 1; n < 5000; ++n) {
            keeper.store(visitWithCopy(n));
            std::this_thread::sleep_for(2ms);
        }
        keeper.waitUntilIdle();
    });
    ASSERT_GE(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (count("SELECT count(*) FROM page_versions") < 40 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(2ms);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    {
        Database db(file, false, test::keyringSeal()->name());
        Statement check = db.prepare("PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.text(0), "ok");
    }
    int stored = 0;
    {
        HistoryStore kept(file, test::keyringSeal());
        for (int n = 0; kept.visitOf("http://site.test/" + std::to_string(n)); ++n, ++stored) {
            const auto versions = kept.savedVersions("http://site.test/" + std::to_string(n));
            ASSERT_EQ(versions.size(), 1u) << n;
            EXPECT_EQ(kept.savedCopy(versions[0].id), visitWithCopy(n).savedCopy) << n;
        }
        RecordProperty("visitsBeforeTheKill", stored);
        EXPECT_GE(stored, 40);
        EXPECT_EQ(kept.pageCount(), stored) << "no visit without its copy, none out of turn";
    }
    HistoryKeeper keeper(keptFolder, true);
    keeper.store(visitWithCopy(stored));
    keeper.waitUntilIdle();
    HistoryStore kept(file, test::keyringSeal());
    ASSERT_EQ(kept.savedVersions("http://site.test/" + std::to_string(stored)).size(), 1u);
    for (const auto& entry : std::filesystem::directory_iterator(keptFolder))
        EXPECT_EQ(entry.path().filename().string().find("broken"), std::string::npos);
}
