// SPDX-License-Identifier: MIT
// The kept history against real processes: one killed (kill -9) in the middle of a burst of
// stores, and two storing into the same file at once.

#include "HistoryFile.h"
#include "TestFiles.h"
#include "TestSeal.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet;
using quillet::test::TempFolder;

namespace {

// A writer process and the addresses it reported committed.
struct Writer {
    pid_t pid = -1;
    FILE* out = nullptr;

    Writer(const std::string& folder, const std::string& prefix, int count) {
        quillet::test::testSeal(); // made before the fork: the writer takes this test's key
        int pipeEnds[2];
        EXPECT_EQ(pipe(pipeEnds), 0);
        pid = fork();
        if (pid == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            close(pipeEnds[0]);
            execl(HISTORY_WRITER, HISTORY_WRITER, folder.c_str(), prefix.c_str(),
                  std::to_string(count).c_str(), nullptr);
            _exit(127);
        }
        close(pipeEnds[1]);
        out = fdopen(pipeEnds[0], "r");
    }
    ~Writer() { std::fclose(out); }

    bool readLine(std::string& line) {
        char buffer[256];
        if (!std::fgets(buffer, sizeof buffer, out))
            return false;
        line = buffer;
        line.pop_back();
        return true;
    }
    int wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    }
};

std::set<std::string> storedAddresses(HistoryStore& store) {
    std::set<std::string> addresses;
    for (const StoredEntry& entry : store.newest(100'000, false))
        addresses.insert(entry.address);
    return addresses;
}

std::string integrity(const std::string& folder) {
    Database db(folder + "/history.sqlite", false, test::testSeal()->name());
    Statement check = db.prepare("PRAGMA integrity_check");
    check.step();
    return check.text(0);
}

} // namespace

TEST(HistoryProcesses, AKilledProcessLosesOnlyWhatItHadNotCommitted) {
    TempFolder folder;
    std::set<std::string> committed;
    {
        Writer writer(folder.path(), "burst", 200);
        std::string line;
        while (committed.size() < 60 && writer.readLine(line))
            committed.insert(line);
        kill(writer.pid, SIGKILL);
        while (writer.readLine(line)) // what it said before the kill
            committed.insert(line);
        const int status = writer.wait();
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer finished before it was killed";
    }
    ASSERT_GE(committed.size(), 60u);
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    EXPECT_TRUE(opened.setAsideAs.empty());
    const std::set<std::string> stored = storedAddresses(*opened.store);
    for (const std::string& address : committed)
        EXPECT_TRUE(stored.contains(address)) << address;
    EXPECT_LT(stored.size(), 200u);
    EXPECT_EQ(integrity(folder.path()), "ok");
    EXPECT_EQ(opened.store->search("天気", 500).size(), stored.size());
}

TEST(HistoryProcesses, TwoProcessesStoreIntoOneFileAtOnce) {
    TempFolder folder;
    std::set<std::string> reported;
    {
        Writer first(folder.path(), "first", 200);
        Writer second(folder.path(), "second", 200);
        std::string line;
        while (first.readLine(line))
            reported.insert(line);
        while (second.readLine(line))
            reported.insert(line);
        const int firstStatus = first.wait();
        const int secondStatus = second.wait();
        EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
        EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
    }
    EXPECT_EQ(reported.size(), 400u);
    OpenedHistory opened =
        openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
    EXPECT_EQ(storedAddresses(*opened.store), reported);
    EXPECT_EQ(integrity(folder.path()), "ok");
}

// Killed at any moment while it removes most of the history (the removal that writes the rest
// anew): the file opens whole, with every page or with only those that stay, and a removal
// that was committed leaves none of the removed text once the file is opened again.
TEST(HistoryProcesses, AProcessKilledWhileRemovingMostOfTheHistoryLeavesItWholeAndScrubbed) {
    for (const int delay : {0, 2, 8, 30, 120}) {
        TempFolder folder;
        {
            Writer writer(folder.path(), "kept", 300);
            std::string line;
            while (writer.readLine(line)) {
            }
            ASSERT_EQ(writer.wait(), 0);
        }
        bool finished = false;
        {
            Writer remover(folder.path(), "kept", -60);
            std::string line;
            ASSERT_TRUE(remover.readLine(line));
            ASSERT_EQ(line, "removing");
            usleep(static_cast<useconds_t>(delay) * 1000);
            kill(remover.pid, SIGKILL);
            finished = remover.readLine(line) && line == "removed";
            remover.wait();
        }
        OpenedHistory opened =
            openKeptHistory(folder.path(), std::chrono::system_clock::now(), test::testSeal());
        EXPECT_TRUE(opened.setAsideAs.empty()) << delay;
        const std::set<std::string> stored = storedAddresses(*opened.store);
        EXPECT_TRUE(stored.size() == 300 || stored.size() == 60)
            << stored.size() << " pages after a kill at " << delay << " ms";
        if (finished) {
            EXPECT_EQ(stored.size(), 60u);
        }
        EXPECT_EQ(opened.store->search("天気", 500).size(), stored.size()) << delay;
        opened.store.reset();
        EXPECT_EQ(integrity(folder.path()), "ok") << delay;
        if (stored.size() == 60) {
            std::string bytes = quillet::test::openedBytes(folder.file("history.sqlite"),
                                                           *quillet::test::testSeal());
            EXPECT_EQ(bytes.find("kept.test/299"), std::string::npos) << delay;
            EXPECT_EQ(bytes.find("page 150"), std::string::npos) << delay;
        }
    }
}
