// SPDX-License-Identifier: MIT
// Kept pages as they were seen, with a real window on pages from a local server, keeping on:
//   window     the window's thread per saved copy: the CPU time the main thread spends from
//              asking the engine for the copy to its bytes handed over, per chapter of
//              debian-reference-ja (median and longest of 45: each of 15 three times), and the
//              main loop's longest stall
//   revisits   the 15 chapters visited once, then each 10 times more unchanged: the space the
//              copies take after the revisits against after the first visits
//   site       a site of 100 pages sharing their style sheet and pictures: the bytes stored for
//              the shared parts, against what one copy of each page would take
// usage: saved_bench [FOLDER]   (in a session with a keyring: tests/session/run-in-session.sh)
//   FOLDER: a kept history history_bench wrote in the same session, for "open" to run in

#include "BenchKeptHistory.h"
#include "LocalHttpServer.h"
#include "Rendering.h"
#include "SavedChanges.h"
#include "SavedPageAddress.h"

#include <algorithm>
#include <fstream>
#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <regex>
#include <sys/resource.h>

using namespace quillet;
using namespace quillet::bench;
namespace fs = std::filesystem;

namespace {

const fs::path kReference = "/usr/share/debian-reference";

double threadCpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The chapters with their style sheet and pictures served from the tests' server.
std::vector<std::string> serveChapters(LocalHttpServer& server) {
    Page css = LocalHttpServer::htmlPage(fileText(kReference / "debian-reference.css"));
    css.contentType = "text/css";
    server.add("/debian-reference.css", css);
    for (const auto& entry : fs::directory_iterator(kReference / "images")) {
        Page picture = LocalHttpServer::htmlPage(fileText(entry.path()));
        picture.contentType = entry.path().extension() == ".png" ? "image/png" : "image/svg+xml";
        server.add("/images/" + entry.path().filename().string(), picture);
    }
    std::vector<std::string> paths;
    for (const auto& entry : fs::directory_iterator(kReference))
        if (entry.path().string().ends_with(".ja.html")) {
            const std::string path = "/" + entry.path().filename().string();
            server.add(path, LocalHttpServer::htmlPage(fileText(entry.path())));
            paths.push_back(path);
        }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// What the saved copies take in the file, and how many parts they have, read from the file.
struct Stored {
    std::int64_t bytes = 0;
    std::int64_t parts = 0;
};

Stored storedIn(const TempFolder& home) {
    Database db(home.file("data/Quillet/history.sqlite"), false, keyringSeal()->name());
    Statement read = db.prepare(
        "SELECT (SELECT coalesce(sum(size), 0) FROM saved_parts) + (SELECT coalesce(sum(size), "
        "0) FROM page_versions), (SELECT count(*) FROM saved_parts)");
    read.step();
    return {read.integer(0), read.integer(1)};
}

// The main loop run as the window runs it, asleep until an event comes, until `done` (or a
// minute): pumpUntil's polling would count its own wake-ups as the window's work.
void sleepUntil(const bool& done) {
    bool late = false;
    sigc::connection limit = Glib::signal_timeout().connect_seconds(
        [&] {
            late = true;
            return false;
        },
        60);
    while (!done && !late)
        Glib::MainContext::get_default()->iteration(true);
    limit.disconnect();
}

// Each chapter's copy asked for kRounds times for the window's thread's time alone (what else
// the window does meanwhile falls on some of them), then once with the stall meter's ticks,
// which are themselves work on that thread.
void window(BrowserHarness& browser, LocalHttpServer& server,
            const std::vector<std::string>& chapters) {
    constexpr int kRounds = 3;
    std::vector<double> cpu;
    double longestStall = 0;
    std::size_t largest = 0;
    for (const std::string& chapter : chapters) {
        browser.navigateAndWait(server.url(chapter));
        browser.waitUntilStored();
        pumpFor(200ms);
        bool done = false;
        std::size_t bytes = 0;
        const auto copied = [&](std::string copy) {
            bytes = copy.size();
            done = true;
        };
        for (int round = 0; round < kRounds; ++round) {
            done = false;
            const double before = threadCpuMilliseconds();
            browser->brwWebBrowser.SaveCopy(copied);
            sleepUntil(done);
            cpu.push_back(threadCpuMilliseconds() - before);
        }
        largest = std::max(largest, bytes);
        done = false;
        StallMeter stalls;
        browser->brwWebBrowser.SaveCopy(copied);
        sleepUntil(done);
        longestStall = std::max(longestStall, stalls.longest());
    }
    std::sort(cpu.begin(), cpu.end());
    row("window's thread per copy, median of " + std::to_string(cpu.size()) + " copies",
        cpu[cpu.size() / 2], "ms");
    row("  the longest", cpu.back(), "ms");
    row("  the main loop's longest stall while copying", longestStall, "ms");
    row("  the largest copy", largest / 1024.0, "KB");
}

// The chapter with a paragraph added at its top and a word changed all through it.
std::string secondVersion(std::string chapter) {
    if (const auto body = chapter.find("<p>"); body != std::string::npos)
        chapter.insert(body, "<p>この版で加えた段落です。設定の説明を新しくしました。</p>");
    for (auto at = chapter.find("パッケージ"); at != std::string::npos;
         at = chapter.find("パッケージ", at + 1))
        if (at % 7 == 0)
            chapter.replace(at, std::string("パッケージ").size(), "package");
    return chapter;
}

// Milliseconds from Quillet's asking the view for `address` to its first frame in the window.
double openToFirstFrame(BrowserHarness& browser, const std::string& address) {
    bool shown = false;
    sigc::connection connection =
        browser->brwWebBrowser.signal_PageShown().connect([&] { shown = true; });
    const auto start = std::chrono::steady_clock::now();
    browser->brwWebBrowser.Navigate(address);
    pumpUntil([&] { return shown; }, 60s);
    const double took =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    connection.disconnect();
    pumpUntil([&] { return !browser->timTimerEnabled(); }, 10s);
    return took;
}

void medianAndLongest(const std::string& name, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    row(name + ", median of " + std::to_string(times.size()), times[times.size() / 2], "ms");
    row("  the longest", times.back(), "ms");
}

void openingAndChanges(LocalHttpServer& server, const std::vector<std::string>& chapters,
                       const char* keptFolder) {
    for (const std::string& chapter : chapters)
        server.add(chapter, LocalHttpServer::htmlPage(fileText(kReference / chapter.substr(1))));
    // Kept in a history of its own, or in a copy of one history_bench wrote (in this session,
    // whose keyring holds its key).
    TempFolder home;
    if (keptFolder) {
        const fs::path into = home.file("data/Quillet");
        fs::create_directories(into);
        for (const auto& entry : fs::directory_iterator(keptFolder))
            if (entry.is_regular_file())
                fs::copy_file(entry.path(), into / entry.path().filename());
    }
    std::vector<double> opened, shownChanges;
    {
        BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now,
                               home.path());
        browser.waitForPageShown();
        for (const std::string& chapter : chapters)
            browser.navigateAndWait(server.url(chapter));
        for (const std::string& chapter : chapters)
            server.add(chapter, LocalHttpServer::htmlPage(
                                    secondVersion(fileText(kReference / chapter.substr(1)))));
        for (const std::string& chapter : chapters)
            browser.navigateAndWait(server.url(chapter));
        browser.waitUntilStored();
        const StoredTime now = toStoredTime(std::chrono::system_clock::now());
        for (const std::string& chapter : chapters) {
            opened.push_back(openToFirstFrame(browser, savedPageAddress(server.url(chapter), now)));
            shownChanges.push_back(
                openToFirstFrame(browser, savedChangesAddress(server.url(chapter), now)));
        }
    }
    medianAndLongest("保存したページを開く to its first frame", opened);
    std::vector<double> worked;
    HistoryStore store(home.file("data/Quillet/history.sqlite"), keyringSeal());
    for (const std::string& chapter : chapters) {
        const std::vector<SavedVersion> versions = store.savedVersions(server.url(chapter));
        if (versions.size() < 2)
            continue;
        const std::string before =
            store.savedCopyText(versions[versions.size() - 2].id).value_or("");
        const std::string after = store.savedCopyText(versions.back().id).value_or("");
        const auto start = std::chrono::steady_clock::now();
        const TextChanges changes = textChanges(before, after);
        worked.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (changes.added == 0)
            std::printf("  (no change found in %s)\n", chapter.c_str());
    }
    medianAndLongest("what changed in a chapter, worked out", worked);
    medianAndLongest("変更を見る to its first frame", shownChanges);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.SavedBench", Gio::APPLICATION_NON_UNIQUE);
    LocalHttpServer server;
    server.setCacheControl("no-cache");
    const std::vector<std::string> chapters = serveChapters(server);

    std::printf("== Saved copies of the %zu chapters of debian-reference-ja\n", chapters.size());
    TempFolder home;
    Stored once;
    {
        BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now,
                               home.path());
        browser.waitForPageShown();
        window(browser, server, chapters); // the first visit of each
    }
    once = storedIn(home);
    row("first visits: the copies take", once.bytes / 1024.0, "KB");
    {
        BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now,
                               home.path());
        browser.waitForPageShown();
        for (int round = 0; round < 10; ++round)
            for (const std::string& chapter : chapters)
                browser.navigateAndWait(server.url(chapter));
        browser.waitUntilStored();
    }
    const Stored revisited = storedIn(home);
    row("after 10 unchanged revisits each", revisited.bytes / 1024.0, "KB");
    row("  against the first visits", static_cast<double>(revisited.bytes) / once.bytes, "x");

    std::printf("== Opening a saved chapter, and what changed in it\n");
    if (argc > 1)
        std::printf("   (in a copy of the kept history in %s)\n", argv[1]);
    openingAndChanges(server, chapters, argc > 1 ? argv[1] : nullptr);

    std::printf("== A site of 100 pages sharing its style sheet and pictures\n");
    std::string pictures;
    for (const auto& entry : fs::directory_iterator(kReference / "images"))
        if (entry.path().extension() == ".png")
            pictures += "<img src='/images/" + entry.path().filename().string() + "'>";
    const std::string text = fileText(kReference / "ch01.ja.html");
    for (int page = 0; page < 100; ++page)
        server.add("/site/" + std::to_string(page),
                   LocalHttpServer::htmlPage(
                       "<!DOCTYPE html><html><head><meta charset='utf-8'><title>ページ " +
                       std::to_string(page) +
                       "</title><link rel='stylesheet' href='/debian-reference.css'></head><body>" +
                       pictures + "<h1>第" + std::to_string(page) + "節</h1><p>" +
                       text.substr(static_cast<std::size_t>(page) * 300, 3000) +
                       "</p></body></html>"));
    TempFolder siteHome;
    {
        BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now,
                               siteHome.path());
        browser.waitForPageShown();
        browser.navigateAndWait(server.url("/site/0"));
        browser.waitUntilStored();
    }
    const Stored first = storedIn(siteHome);
    {
        BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now,
                               siteHome.path());
        browser.waitForPageShown();
        for (int page = 1; page < 100; ++page)
            browser.navigateAndWait(server.url("/site/" + std::to_string(page)));
        browser.waitUntilStored();
    }
    const Stored all = storedIn(siteHome);
    row("one page: its copy takes", first.bytes / 1024.0, "KB");
    row("  in parts", static_cast<double>(first.parts), "");
    row("100 pages: their copies take", all.bytes / 1024.0, "KB");
    row("  in parts", static_cast<double>(all.parts), "");
    row("  against 100 copies each with its own shared parts",
        static_cast<double>(all.bytes) / (100.0 * first.bytes), "x");
    return 0;
}
