// SPDX-License-Identifier: MIT
#include "ErrorStyles.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quillet;

namespace {

// Collects what the program logs for developers while alive.
class DebugLog {
  public:
    DebugLog()
        : handler_(g_log_set_handler("Quillet", G_LOG_LEVEL_DEBUG, &DebugLog::collect, this)) {}
    ~DebugLog() { g_log_remove_handler("Quillet", handler_); }
    const std::vector<std::string>& lines() const { return lines_; }

  private:
    static void collect(const gchar*, GLogLevelFlags, const gchar* message, gpointer self) {
        static_cast<DebugLog*>(self)->lines_.emplace_back(message);
    }
    std::vector<std::string> lines_;
    guint handler_;
};

} // namespace

TEST(ErrorStyles, EverySkippedStepIsLoggedForDevelopersAndTheRestRun) {
    DebugLog log;
    std::vector<int> ran;
    const int failed = continueOnError({
        [&] { ran.push_back(1); },
        [&] { throw std::invalid_argument("a negative width"); },
        [&] { ran.push_back(3); },
        [&] { throw 42; },
    });
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[0], "step 2 of 4 skipped: a negative width");
    EXPECT_EQ(log.lines()[1], "step 4 of 4 skipped: an exception of no standard type");

    EXPECT_FALSE(stopSilently([] { throw std::runtime_error("no memory for the thumbnail"); }));
    EXPECT_EQ(log.lines().back(), "stopped at a failing step: no memory for the thumbnail");
    EXPECT_TRUE(stopSilently([] {}));
    EXPECT_EQ(log.lines().size(), 3u);
}
