// SPDX-License-Identifier: MIT
#include "SettingsStore.h"
#include "TestFiles.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using quillet::SettingsStore;

namespace {

class SettingsStoreTest : public ::testing::Test {
  protected:
    std::string file() const { return folder + "/Quillet/settings.ini"; }
    void store(const std::string& content) const { quillet::test::writeFile(file(), content); }
    quillet::test::TempFolder temporary;
    const std::string folder = temporary.path();
};

} // namespace

TEST_F(SettingsStoreTest, AbsentKeysReadAsTheDefault) {
    SettingsStore settings(folder);
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "8000"), "8000");
    store("[sets]\nwidth_thumb=150\n");
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "8000"), "8000");
    EXPECT_EQ(settings.read("Quillet", "other", "width_thumb", "120"), "120");
    EXPECT_EQ(settings.read("Quillet", "sets", "width_thumb", "120"), "150");
}

TEST_F(SettingsStoreTest, WritesCreateFolderFileAndKeysAndRoundTrip) {
    SettingsStore settings(folder);
    settings.write("Quillet", "sets", "width_main", "7995");
    settings.write("Quillet", "sets", "width_thumb", "120.5");
    settings.write("Quillet", "sets", "width_main", "9000");
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "8000"), "9000");
    EXPECT_EQ(settings.read("Quillet", "sets", "width_thumb", "120"), "120.5");
    // Text that needs escaping in a key file comes back as written.
    settings.write("Quillet", "sets", "odd", " lead\tand=trail \n");
    EXPECT_EQ(settings.read("Quillet", "sets", "odd", ""), " lead\tand=trail \n");
    EXPECT_EQ(fs::status(folder + "/Quillet").permissions() & fs::perms::group_all,
              fs::perms::none);
}

TEST_F(SettingsStoreTest, KeepsOtherKeysAndGroupsWhenWriting) {
    store("# a comment of the user's\n[sets]\nwidth_main=9000\n[other]\nkept=yes\n");
    SettingsStore settings(folder);
    settings.write("Quillet", "sets", "height_main", "6000");
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", ""), "9000");
    EXPECT_EQ(settings.read("Quillet", "other", "kept", ""), "yes");
    EXPECT_NE(quillet::test::readFile(file()).find("# a comment of the user's"), std::string::npos);
}

TEST_F(SettingsStoreTest, AnUnparseableFileReadsAsAbsentAndIsKeptAside) {
    const std::string garbage = "this is [not a key file\n\x01\x02 width_main=1\n";
    store(garbage);
    SettingsStore settings(folder);
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "8000"), "8000");

    settings.write("Quillet", "sets", "width_main", "7000");
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "8000"), "7000");
    int keptAside = 0;
    for (const auto& entry : fs::directory_iterator(folder + "/Quillet")) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("settings.ini.unreadable-")) {
            ++keptAside;
            EXPECT_EQ(quillet::test::readFile(entry.path()), garbage);
        }
    }
    EXPECT_EQ(keptAside, 1);
    // The new file is sound, so the next write sets nothing more aside.
    settings.write("Quillet", "sets", "height_main", "7000");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/Quillet"), fs::directory_iterator()),
              2);
}

TEST_F(SettingsStoreTest, AWriteThatCannotHappenThrows) {
    std::ofstream(folder + "/Quillet") << "a file where the settings folder should be";
    SettingsStore settings(folder);
    EXPECT_THROW(settings.write("Quillet", "sets", "width_main", "1"), std::runtime_error);
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "8000"), "8000");
}

// A private run's store reads the user's file, reads back what the run wrote, and leaves the
// file (and a missing or unreadable one) exactly as it was.
TEST_F(SettingsStoreTest, AStoreKeptInMemoryNeverTouchesTheFile) {
    const std::string original = "[sets]\nwidth_main=9000\n";
    store(original);
    const SettingsStore privateRun = SettingsStore(folder).keptInMemory();
    const SettingsStore dialogsCopy = privateRun;
    EXPECT_EQ(privateRun.read("Quillet", "sets", "width_main", ""), "9000");
    dialogsCopy.write("Quillet", "sets", "width_main", "7995");
    privateRun.write("Quillet", "history", "keep", "1");
    EXPECT_EQ(privateRun.read("Quillet", "sets", "width_main", ""), "7995");
    EXPECT_EQ(dialogsCopy.read("Quillet", "history", "keep", "0"), "1");
    EXPECT_EQ(quillet::test::readFile(file()), original);
    EXPECT_EQ(SettingsStore(folder).read("Quillet", "history", "keep", "0"), "0");

    fs::remove_all(folder + "/Quillet");
    SettingsStore(folder).keptInMemory().write("Quillet", "sets", "width_main", "1");
    EXPECT_FALSE(fs::exists(folder + "/Quillet"));

    const std::string garbage = "not [a key file\n";
    store(garbage);
    const SettingsStore overGarbage = SettingsStore(folder).keptInMemory();
    overGarbage.write("Quillet", "sets", "width_main", "1");
    EXPECT_EQ(overGarbage.read("Quillet", "sets", "width_main", ""), "1");
    EXPECT_EQ(quillet::test::readFile(file()), garbage);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/Quillet"), fs::directory_iterator()),
              1);
}

// Two windows (two processes) writing at once, as when both close: every key either wrote is
// in the file afterwards, none lost to the other's read-modify-write.
TEST_F(SettingsStoreTest, TwoProcessesWritingAtOnceLoseNoKey) {
    constexpr int kKeys = 150;
    const auto writeKeys = [&](const std::string& prefix) {
        SettingsStore settings(folder);
        for (int i = 0; i < kKeys; ++i)
            settings.write("Quillet", "sets", prefix + std::to_string(i), "1");
    };
    const pid_t child = fork();
    if (child == 0) {
        writeKeys("child");
        _exit(0);
    }
    writeKeys("parent");
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    SettingsStore settings(folder);
    int missing = 0;
    for (const char* prefix : {"child", "parent"})
        for (int i = 0; i < kKeys; ++i)
            missing += settings.read("Quillet", "sets", prefix + std::to_string(i), "") != "1";
    EXPECT_EQ(missing, 0);
}

// A window killed (kill -9) while it stores its settings: the file is always whole, with the
// user's other keys and the values of one write or the next, never half of each; and the
// lock dies with the process, so the next write goes through.
TEST_F(SettingsStoreTest, AWriterKilledMidWriteLeavesAWholeFileAndNoLock) {
    store("# the user's\n[other]\nkept=yes\n");
    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        if (child == 0) {
            const SettingsStore settings(folder);
            for (long n = 0;; ++n)
                settings.write({{quillet::kWindowWidth, std::to_string(n)},
                                {quillet::kWindowHeight, std::to_string(n)}});
        }
        // Killed a little after its first write is in the file (on a loaded machine the child
        // may take longer than that to start), somewhere in one of the writes that follow.
        for (int wait = 0;
             wait < 5000 && quillet::test::readFile(file()).find("width_main") == std::string::npos;
             ++wait)
            usleep(1000);
        usleep(3000 + 4000 * round);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const SettingsStore settings(folder);
        EXPECT_EQ(settings.read("Quillet", "other", "kept", ""), "yes");
        EXPECT_EQ(settings.read(quillet::kWindowWidth), settings.read(quillet::kWindowHeight));
        EXPECT_NE(settings.read("Quillet", "sets", "width_main", "<absent>"), "<absent>");
        settings.write("Quillet", "other", "after", std::to_string(round)); // not locked out
        EXPECT_EQ(settings.read("Quillet", "other", "after", ""), std::to_string(round));
    }
    // Only the settings file: no temporary file left beside it, nothing set aside.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder + "/Quillet"), fs::directory_iterator()),
              1);
}
