// SPDX-License-Identifier: MIT
// The pane and its privacy actions over a full kept history (one written by
// `history_bench 32767 FOLDER`), each on a fresh copy of it, in a real window with keeping on:
//   clear        履歴を消去 → すべての期間: the pane empty after the click, the longest stall of
//                the main loop, the file without a page (scrubbed) after the click
//   close        the same, the window closed at once: closed, and every page gone from the file
//   exclude      このサイトを履歴に残さない over the 5,461 pages of one site (every sixth)
//   stop         履歴を残すのをやめて削除する
//   delete       one Delete in the window, median of 21
//   scroll       the whole pane scrolled through: the UI process's memory above the unscrolled
//   export       1,000 kept entries with bitmaps: the longest stall while it runs
//   retention    保存期間 set to 1年 when the older half of the pages is two years old: the
//                longest stall, and the time until the file is without them
// usage: privacy_bench FOLDER [clear|close|exclude|stop|pane|retention ...] (under Xvfb; all when
//        none is named; pane: delete, scroll and export)

#include "BenchKeptHistory.h"
#include "BrowserHarness.h"
#include "ClearHistoryDialog.h"
#include "Form2.h"
#include "Rendering.h"
#include "ResidentMemory.h"
#include "Retention.h"
#include "TestSeal.h"

#include <filesystem>
#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <iostream>
#include <thread>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::bench;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

void clearEverything(BrowserHarness& browser) {
    browser.pane().showClearHistoryDialog();
    ClearHistoryDialog& dialog = *browser.pane().clearHistoryDialog();
    dialog.everything.set_active(true);
    MessageBoxAnswerer yes(Gtk::RESPONSE_YES);
    dialog.clearButton.clicked();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::cerr << "usage: privacy_bench FOLDER (a kept history from history_bench)\n";
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it is measured
    const std::string kept = argv[1];
    const std::vector<std::string> chosen(argv + 2, argv + argc);
    const auto runs = [&](const char* scenario) {
        return chosen.empty() || std::ranges::find(chosen, scenario) != chosen.end();
    };
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.PrivacyBench", Gio::APPLICATION_NON_UNIQUE);
    std::printf("== The pane and its privacy actions over %lld kept pages\n",
                static_cast<long long>(
                    HistoryStore(kept + "/history.sqlite", test::keyringSeal()).pageCount()));

    if (runs("clear")) {
        Copy copy(kept);
        auto browser = openFull(copy);
        row("pane entries", browser->entryCount(), "");
        const auto clicked = SteadyClock::now();
        StallMeter stalls;
        // The question's own loop runs until the answer; the clearing starts after it.
        clearEverything(*browser); // the test answers the question within 50 ms
        const double paneDone = since(clicked);
        const int left = browser->entryCount();
        const double fileDone = pumpUntilKeeperIdle((*browser)->historyKeeper(), clicked);
        row("clear all: pane empty after the click (" + std::to_string(left) + " left)", paneDone,
            "ms");
        row("clear all: longest main-loop stall", stalls.longest(), "ms");
        row("clear all: file scrubbed after the click", fileDone, "ms");
        browser.reset();
        row("clear all: pages left in the file", static_cast<double>(copy.pagesLeft()), "");
    }
    if (runs("close")) {
        Copy copy(kept);
        auto browser = openFull(copy);
        const auto clicked = SteadyClock::now();
        clearEverything(*browser);
        browser->window().close();
        pumpUntil([&] { return !browser->window().get_visible(); });
        row("close during clear: window closed after the click", since(clicked), "ms");
        browser.reset(); // the process would end here: the worker finishes what it was handed
        row("close during clear: removal finished after the click", since(clicked), "ms");
        row("close during clear: pages left in the file", static_cast<double>(copy.pagesLeft()),
            "");
    }
    if (runs("exclude")) {
        Copy copy(kept);
        copy.moveEverySixthPageTo("other.example");
        auto browser = openFull(copy);
        const ListItems& items = (*browser)->ListView1.items();
        int ofTheSite = 1;
        while (items.item(ofTheSite).key.find("other.example") == std::string::npos)
            ++ofTheSite;
        browser->selectEntry(ofTheSite);
        const auto clicked = SteadyClock::now();
        StallMeter stalls;
        {
            MessageBoxAnswerer yes(Gtk::RESPONSE_YES);
            browser->pane().excludeSelectedSite();
        }
        const auto leftInPane = [&] {
            int left = 0;
            for (int i = 1; i <= items.count(); ++i)
                left += items.item(i).key.find("other.example") != std::string::npos;
            return left;
        };
        pumpUntil([&] { return leftInPane() == 0; }, 60s);
        row("exclude site: the pane without them after the click", since(clicked), "ms");
        const double fileDone = pumpUntilKeeperIdle((*browser)->historyKeeper(), clicked);
        row("exclude site: its entries left in the pane", leftInPane(), "");
        row("exclude site: longest main-loop stall", stalls.longest(), "ms");
        row("exclude site: file scrubbed after the answer", fileDone, "ms");
        browser.reset();
        row("exclude site: pages left in the file (of the others)",
            static_cast<double>(copy.pagesLeft()), "");
    }
    if (runs("retention")) {
        Copy copy(kept);
        copy.ageOlderHalf(730);
        const std::int64_t before = copy.pagesLeft();
        auto browser = openFull(copy);
        const auto chosen = SteadyClock::now();
        StallMeter stalls;
        browser->pane().setRetention(Retention::OneYear);
        const double fileDone = pumpUntilKeeperIdle((*browser)->historyKeeper(), chosen);
        row("retention 1年: longest main-loop stall", stalls.longest(), "ms");
        row("retention 1年: the older pages out of the file (scrubbed)", fileDone, "ms");
        browser.reset();
        row("retention 1年: pages removed, of " + std::to_string(before),
            static_cast<double>(before - copy.pagesLeft()), "");
    }
    if (runs("stop")) {
        Copy copy(kept);
        auto browser = openFull(copy);
        const auto clicked = SteadyClock::now();
        StallMeter stalls;
        {
            MessageBoxAnswerer yes(Gtk::RESPONSE_YES); // 削除する
            browser->pane().setKeepHistory(false);
        }
        row("stop keeping, delete: longest main-loop stall", stalls.longest(), "ms");
        row("stop keeping, delete: file gone after the answer",
            pumpUntilKeeperIdle((*browser)->historyKeeper(), clicked), "ms");
        row("stop keeping, delete: file left",
            fs::exists(copy.path() + "/data/Quillet/history.sqlite") ? 1 : 0, "");
    }
    if (runs("pane")) { // delete, scroll, export
        Copy copy(kept);
        auto browser = openFull(copy);
        std::vector<double> deletes;
        for (int n = 0; n < 21; ++n) {
            browser->selectEntry(1 + n * 1000);
            const auto pressed = SteadyClock::now();
            browser->pane().deleteSelectedEntry();
            deletes.push_back(since(pressed));
            pumpFor(20ms);
        }
        std::sort(deletes.begin(), deletes.end());
        row("one Delete in the window, median of 21", deletes[10], "ms");
        (*browser)->historyKeeper().waitUntilIdle();
        const long before = residentKiB();
        Gtk::TreeView& tree = (*browser)->ListView1.tree();
        for (int row = 0; row < browser->entryCount(); row += 5) { // a pane's height at a time
            Gtk::TreeModel::Path path;
            path.push_back(row);
            tree.scroll_to_row(path, 0);
            pumpFor(10ms); // drawn: its thumbnails asked for
            (*browser)->historyKeeper().waitUntilIdle();
            pumpFor(5ms); // and drawn again with them
        }
        row("scroll the whole pane: UI memory above the unscrolled pane",
            (residentKiB() - before) / 1024.0, "MiB");
        row("scroll the whole pane: kept thumbnails held",
            (*browser)->ListView1.keptThumbnails().bytes() / 1048576.0, "MiB");

        for (int position = 1; position <= 1000; ++position)
            (*browser)->ListView1.setChecked(position, true);
        TempFolder target;
        (*browser)->Image5.clicked();
        Form2& dialog = *(*browser)->exportDialog();
        dialog.Dir1.setPath(target.path());
        dialog.Check1.set_active(true);
        MessageBoxAnswerer answers;
        const auto clicked = SteadyClock::now();
        StallMeter stalls;
        dialog.Command1.clicked();
        pumpUntil([&] { return !answers.texts().empty(); }, 600s);
        row("export 1,000 kept entries with bitmaps", since(clicked), "ms");
        row("export: longest main-loop stall", stalls.longest(), "ms");
        std::cout << "export: " << (answers.texts().empty() ? "(no answer)" : answers.texts()[0])
                  << '\n';
    }
    return 0;
}
