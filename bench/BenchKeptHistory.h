// SPDX-License-Identifier: MIT
#pragma once
// What the benchmarks over a full kept history share: a fresh copy of it for each scenario, a
// window opened over it with keeping on, the main loop's longest stall, and the rows printed.

#include "BrowserHarness.h"
#include "HistoryStore.h"
#include "TestSeal.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <glibmm/main.h>
#include <memory>
#include <thread>

namespace quillet::bench {

using namespace quillet::test;
using namespace std::chrono_literals;

using Milliseconds = std::chrono::duration<double, std::milli>;
using SteadyClock = std::chrono::steady_clock;

inline double since(SteadyClock::time_point start) {
    return Milliseconds(SteadyClock::now() - start).count();
}

inline void row(const std::string& name, double value, const std::string& unit) {
    std::printf("%-58s %10.1f %s\n", name.c_str(), value, unit.c_str());
}

// The longest time the main loop went without running a 2 ms timer, while alive.
class StallMeter {
  public:
    StallMeter() {
        tick_ = Glib::signal_timeout().connect(
            [this] {
                const auto now = SteadyClock::now();
                longest_ = std::max(longest_, Milliseconds(now - last_).count());
                last_ = now;
                return true;
            },
            2, Glib::PRIORITY_HIGH);
    }
    ~StallMeter() { tick_.disconnect(); }
    double longest() const { return longest_; }

  private:
    sigc::connection tick_;
    SteadyClock::time_point last_ = SteadyClock::now();
    double longest_ = 0;
};

// Runs the main loop until the keeper has done all it was handed (waited for on a thread).
inline double pumpUntilKeeperIdle(HistoryKeeper& keeper, SteadyClock::time_point start) {
    std::atomic<bool> idle{false};
    std::thread waiter([&] {
        keeper.waitUntilIdle();
        idle = true;
    });
    pumpUntil([&] { return idle.load(); }, 600s);
    const double took = since(start);
    waiter.join();
    return took;
}

// A fresh copy of the kept history, in a settings folder of its own.
class Copy {
  public:
    explicit Copy(const std::string& kept) {
        std::filesystem::create_directories(folder_.file("data"));
        std::filesystem::copy(kept, folder_.file("data/Quillet"),
                              std::filesystem::copy_options::recursive);
    }
    // Every sixth page moved to a site of its own.
    void moveEverySixthPageTo(const std::string& host) {
        Database db(folder_.file("data/Quillet/history.sqlite"), false,
                    test::keyringSeal()->name());
        db.execute(("UPDATE pages SET address = replace(address, 'reference.example', '" + host +
                    "'), host = '" + host + "' WHERE id % 6 = 0")
                       .c_str());
    }
    // The older half of the pages visited `days` earlier than they were (their order kept).
    void ageOlderHalf(int days) {
        Database db(folder_.file("data/Quillet/history.sqlite"), false,
                    test::keyringSeal()->name());
        const std::string by = std::to_string(static_cast<long long>(days) * 24 * 60 * 60);
        db.execute(("UPDATE visits SET time = time - " + by +
                    " WHERE page <= (SELECT max(id) / 2 FROM pages); "
                    "UPDATE pages SET last_visit = last_visit - " +
                    by + " WHERE id <= (SELECT max(id) / 2 FROM pages)")
                       .c_str());
    }
    std::string path() const { return folder_.path(); }
    std::int64_t pagesLeft() const {
        return HistoryStore(folder_.file("data/Quillet/history.sqlite"), test::keyringSeal())
            .pageCount();
    }

  private:
    TempFolder folder_;
};

inline std::unique_ptr<BrowserHarness> openFull(const Copy& copy) {
    auto browser = std::make_unique<BrowserHarness>(StoredSettings{{"history/keep", "1"}},
                                                    std::chrono::system_clock::now, copy.path());
    browser->waitForPageShown();
    pumpUntil([&] { return browser->entryCount() >= ImageList::kMaxCount; }, 300s);
    pumpFor(500ms);
    return browser;
}

} // namespace quillet::bench
