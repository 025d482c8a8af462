// SPDX-License-Identifier: MIT
// Kept pages as they were seen, with a real window on pages from a local server, keeping on:
//   window     the window's thread per saved copy: the CPU time the main thread spends from
//              asking the engine for the copy to its bytes handed over, per chapter of
//              debian-reference-ja (median and longest of 15), and the main loop's longest stall
//   revisits   the 15 chapters visited once, then each 10 times more unchanged: the space the
//              copies take after the revisits against after the first visits
//   site       a site of 100 pages sharing their style sheet and pictures: the bytes stored for
//              the shared parts, against what one copy of each page would take
// usage: saved_bench   (in a session with a keyring: tests/session/run-in-session.sh)

#include "BenchKeptHistory.h"
#include "LocalHttpServer.h"
#include "Rendering.h"

#include <algorithm>
#include <fstream>
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

void window(BrowserHarness& browser, LocalHttpServer& server,
            const std::vector<std::string>& chapters) {
    std::vector<double> cpu;
    double longestStall = 0;
    std::size_t largest = 0;
    for (const std::string& chapter : chapters) {
        browser.navigateAndWait(server.url(chapter));
        browser.waitUntilStored();
        pumpFor(200ms);
        bool done = false;
        std::size_t bytes = 0;
        StallMeter stalls;
        const double before = threadCpuMilliseconds();
        browser->brwWebBrowser.SaveCopy([&](std::string copy) {
            bytes = copy.size();
            done = true;
        });
        pumpUntil([&] { return done; }, 60s);
        cpu.push_back(threadCpuMilliseconds() - before);
        longestStall = std::max(longestStall, stalls.longest());
        largest = std::max(largest, bytes);
    }
    std::sort(cpu.begin(), cpu.end());
    row("window's thread per copy, median of " + std::to_string(cpu.size()) + " chapters",
        cpu[cpu.size() / 2], "ms");
    row("  the longest", cpu.back(), "ms");
    row("  the main loop's longest stall meanwhile", longestStall, "ms");
    row("  the largest copy", largest / 1024.0, "KB");
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.SavedBench", Gio::APPLICATION_NON_UNIQUE);
    (void)argc;
    (void)argv;
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
