// SPDX-License-Identifier: MIT
// A kept history that another program changed, or put behind a link, is never obeyed: it is set
// aside as it is and a fresh history starts, or, for a folder that is not the user's own, no
// history is opened there at all.

#include "HistoryFile.h"
#include "HistoryStore.h"
#include "TestFiles.h"
#include "TestSeal.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace quillet;
using quillet::test::readFile;
using quillet::test::TempFolder;
namespace fs = std::filesystem;

namespace {

PageVisit visit(const std::string& address, const std::string& text, StoredTime time) {
    return {address, "title", time, {2, 1, {1, 2, 3}}, text};
}

// Runs `sql` on the file as any other program with the key could: no defensive settings,
// triggers on.
void changeAsAnotherProgram(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, test::testSeal()->name()),
              SQLITE_OK);
    char* error = nullptr;
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(result, SQLITE_OK) << (error ? error : "") << "\n" << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

// A history of three pages, made and closed by this version.
void makeHistory(const std::string& folder) {
    OpenedHistory opened =
        openKeptHistory(folder, std::chrono::system_clock::now(), test::testSeal());
    for (int i = 0; i < 3; ++i)
        opened.store->store(visit("http://kept.test/" + std::to_string(i), "zqxkeptword", i + 1));
}

std::string everyByte(const std::string& file) {
    return test::openedBytes(file, *test::testSeal());
}

} // namespace

TEST(HistoryTamper, AnyObjectQuilletDidNotMakeSetsTheFileAside) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"a trigger that puts removed pages back",
         "CREATE TABLE spare AS SELECT * FROM pages; CREATE TRIGGER keep AFTER DELETE ON pages "
         "BEGIN INSERT INTO spare SELECT old.id, old.address, old.host, old.title, old.last_visit, "
         "old.thumbnail_width, old.thumbnail_height, old.thumbnail, old.content_kept; END"},
        {"a trigger alone", "CREATE TRIGGER t AFTER INSERT ON visits BEGIN DELETE FROM owed; END"},
        {"a view", "CREATE VIEW everything AS SELECT * FROM pages"},
        {"a table", "CREATE TABLE notes(text)"},
        {"an index", "CREATE INDEX pages_by_title ON pages(title)"},
        {"a table's statement changed",
         "PRAGMA writable_schema=ON; UPDATE sqlite_master SET sql = replace(sql, "
         "'thumbnail BLOB', 'thumbnail BLOB DEFAULT (randomblob(64))') WHERE name = 'pages'"},
    };
    for (const auto& [name, sql] : cases) {
        TempFolder folder;
        const std::string file = folder.file("history.sqlite");
        makeHistory(folder.path());
        changeAsAnotherProgram(file, sql);
        const std::string before = readFile(file);
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        ASSERT_FALSE(opened.setAsideAs.empty()) << name;
        EXPECT_TRUE(readFile(opened.setAsideAs) == before) << name << ": changed when set aside";
        EXPECT_EQ(opened.store->pageCount(), 0) << name;
        // The fresh file removes what is removed, from every byte.
        opened.store->store(visit("http://new.test/", "zqxnewsecret", 10));
        opened.store->store(visit("http://other.test/", "zqxother", 11));
        opened.store->remove("http://new.test/");
        const std::string bytes = everyByte(file);
        EXPECT_EQ(bytes.find("zqxnewsecret"), std::string::npos) << name;
        EXPECT_EQ(bytes.find("new.test"), std::string::npos) << name;
        EXPECT_NE(bytes.find("other.test"), std::string::npos) << name;
    }
}

// What this version itself does to its file is no tampering: a large removal renames a new
// text index into place, and a file made years ago by the first version moves up the ladder.
TEST(HistoryTamper, AFileAfterALargeRemovalIsStillOurs) {
    TempFolder folder;
    {
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        for (int i = 0; i < 40; ++i)
            opened.store->store(visit("http://page.test/" + std::to_string(i), "word", i + 1));
        opened.store->removeVisitedSince(3); // most of the history: written anew
        ASSERT_EQ(opened.store->pageCount(), 2);
    }
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    EXPECT_TRUE(opened.setAsideAs.empty());
    EXPECT_EQ(opened.store->pageCount(), 2);
}

TEST(HistoryTamper, AFileOrLogBehindALinkOrWritableByOthersIsSetAside) {
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> cases = {
        {"the file a link to another history",
         [](const std::string& folder) {
             fs::rename(folder + "/history.sqlite", folder + "/../elsewhere.sqlite");
             fs::create_symlink(folder + "/../elsewhere.sqlite", folder + "/history.sqlite");
         }},
        {"the log a link",
         [](const std::string& folder) {
             quillet::test::writeFile(folder + "/../elsewhere-wal", "");
             fs::create_symlink(folder + "/../elsewhere-wal", folder + "/history.sqlite-wal");
         }},
        {"the ledger a link",
         [](const std::string& folder) {
             fs::rename(folder + "/history.sqlite-ledger", folder + "/../elsewhere-ledger");
             fs::create_symlink(folder + "/../elsewhere-ledger", folder + "/history.sqlite-ledger");
         }},
        {"the file writable by others",
         [](const std::string& folder) { ::chmod((folder + "/history.sqlite").c_str(), 0666); }},
    };
    for (const auto& [name, change] : cases) {
        TempFolder home;
        const std::string folder = home.file("Quillet");
        makeHistory(folder);
        const auto ledgerBefore = fs::file_size(folder + "/history.sqlite-ledger");
        change(folder);
        OpenedHistory opened =
            openKeptHistory(folder, std::chrono::system_clock::now(), test::testSeal());
        EXPECT_FALSE(opened.setAsideAs.empty()) << name;
        EXPECT_EQ(opened.store->pageCount(), 0) << name;
        opened.store->store(visit("http://new.test/", "zqxnew", 10));
        opened.store.reset();
        for (const char* part :
             {"/history.sqlite", "/history.sqlite-wal", "/history.sqlite-ledger"}) {
            struct stat status {};
            if (::lstat((folder + part).c_str(), &status) == 0) {
                EXPECT_TRUE(S_ISREG(status.st_mode)) << name << part;
            }
        }
        // What the link led to was never written.
        for (const char* outside : {"/elsewhere.sqlite", "/elsewhere-wal"})
            if (fs::exists(home.path() + outside)) {
                EXPECT_EQ(readFile(home.path() + outside).find("zqxnew"), std::string::npos)
                    << name;
            }
        if (fs::exists(home.path() + "/elsewhere-ledger")) {
            EXPECT_EQ(fs::file_size(home.path() + "/elsewhere-ledger"), ledgerBefore) << name;
        }
    }
}

TEST(HistoryTamper, AFolderThatIsNotTheUsersOwnOpensNoHistory) {
    TempFolder home;
    const auto now = std::chrono::system_clock::now();
    makeHistory(home.file("real"));
    fs::create_symlink(home.file("real"), home.file("linked"));
    EXPECT_THROW(openKeptHistory(home.file("linked"), now, test::testSeal()), std::system_error);
    fs::create_directory(home.file("shared"));
    ::chmod(home.file("shared").c_str(), 0777);
    EXPECT_THROW(openKeptHistory(home.file("shared"), now, test::testSeal()), std::system_error);
    EXPECT_FALSE(fs::exists(home.file("shared/history.sqlite")));
    // A folder of the user's own with a wider mode than it needs is made private.
    fs::create_directory(home.file("wide"));
    ::chmod(home.file("wide").c_str(), 0755);
    openKeptHistory(home.file("wide"), now, test::testSeal());
    struct stat status {};
    ASSERT_EQ(::stat(home.file("wide").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}
