// SPDX-License-Identifier: MIT
// The real program: starts on an empty settings folder, shows its built-in home page, and
// writes its settings when the session ends it with SIGTERM.

#include "SettingsStore.h"
#include "TestSupport.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

bool windowTitled(const std::string& title) {
    const std::string command = "xdotool search --name '^" + title + "$' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace

TEST(Binary, ShowsTheHomePageAndWritesTheSettingsOnSigterm) {
    TempFolder home;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
        setenv("XDG_CACHE_HOME", home.file("cache").c_str(), 1);
        setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
        execl(QUILLET_BINARY, QUILLET_BINARY, nullptr);
        _exit(127);
    }
    // The caption names the page only once the load indicator has seen it complete.
    const bool shown = pumpUntil([] { return windowTitled("Quillet ホーム"); }, 30s);
    // Open the thumbnail-size dialog (its button at the design place, top right): an open
    // dialog must not keep the program alive past the end of the session.
    EXPECT_EQ(std::system("xdotool mousemove 699 280 click 1"), 0);
    EXPECT_TRUE(pumpUntil([] { return windowTitled("履歴ｻﾑﾈｲﾙｻｲｽﾞ変更"); }, 10s));
    kill(child, SIGTERM);
    int status = 0;
    const bool ended = pumpUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 20s);
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(shown) << "the home page was not reported loaded";
    EXPECT_TRUE(ended) << "SIGTERM did not end the program";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    SettingsStore settings(home.file("config"));
    const auto stored = [&](const char* key) {
        return settings.read("Quillet", "sets", key, "<absent>");
    };
    EXPECT_EQ(stored("width_main"), "7995");
    EXPECT_EQ(stored("height_main"), "7995");
    EXPECT_EQ(stored("width_thumb"), "120");
    EXPECT_EQ(stored("height_thumb"), "120");
    EXPECT_EQ(stored("width_history"), "2");
}
