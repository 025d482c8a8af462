// SPDX-License-Identifier: MIT
// Soak runs (not part of CI), the real browser window under Xvfb:
//  - PAGES distinct pages from a local server loaded through the address box, one after
//    another, then all exported with bitmaps through the export dialog. It reports crashes
//    (the run must end), the history count, the files written and the resident memory of the
//    UI process and its web processes.
//  - --cycle LOADS: a long session, LOADS loads cycling through 50 real pages (the chapters of
//    Debian's debian-reference-ja, then generated pages) with the history captured. It reports
//    the UI process's anonymous memory (its heaps and other memory of its own: where a leak
//    lands; unlike its PSS it does not move as web processes come and go and share fewer
//    libraries with it, nor as the kernel drops clean file pages) less the history's own data
//    (the packed thumbnails), its growth
//    from load 100 to the last, and what a leak would leave: widgets, windows, open files
//    and threads.
// usage: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/quillet_soak [PAGES]
//        xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/quillet_soak --cycle [LOADS]

#include "BrowserHarness.h"
#include "Form2.h"
#include "LocalHttpServer.h"
#include "Rendering.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtkmm/application.h>
#include <iostream>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// A figure in KiB from a /proc file of `pid`: "VmRSS:" of status, "Anonymous:" of
// smaps_rollup.
long kibFrom(int pid, const std::string& file, const std::string& field) {
    std::ifstream figures("/proc/" + std::to_string(pid) + "/" + file);
    for (std::string line; std::getline(figures, line);)
        if (line.starts_with(field))
            return std::stol(line.substr(field.size()));
    return 0;
}

long residentKiBOf(int pid) {
    return kibFrom(pid, "status", "VmRSS:");
}

long anonymousKiBOf(int pid) {
    return kibFrom(pid, "smaps_rollup", "Anonymous:");
}

// This process and every process below it (the web and network processes).
long treeResidentKiB() {
    long total = residentKiBOf(getpid());
    for (const auto& [pid, name] : descendantProcesses())
        total += residentKiBOf(pid);
    return total;
}

// What a leak would leave behind, countable in a release build of GLib (Debian's counts no
// GObject instances): the widgets in every window, the windows, open file handles, threads.
struct Leftovers {
    int widgets = 0, windows = 0, files = 0, threads = 0;
};

int widgetsIn(GtkWidget* widget) {
    int count = 1;
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* child = children; child; child = child->next)
            count += widgetsIn(GTK_WIDGET(child->data));
        g_list_free(children);
    }
    return count;
}

Leftovers leftovers() {
    Leftovers found;
    GList* windows = gtk_window_list_toplevels();
    for (GList* window = windows; window; window = window->next) {
        ++found.windows;
        found.widgets += widgetsIn(GTK_WIDGET(window->data));
    }
    g_list_free(windows);
    found.files =
        static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                       std::filesystem::directory_iterator()));
    found.threads =
        static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                       std::filesystem::directory_iterator()));
    return found;
}

std::string page(int n) {
    std::string html = "<!DOCTYPE html><meta charset=utf-8><title>ページ " + std::to_string(n) +
                       "</title><body style='font-family:sans-serif;background:hsl(" +
                       std::to_string(n * 37 % 360) + ",40%,92%)'><h1>ページ " + std::to_string(n) +
                       "</h1>";
    for (int p = 0; p < 3 + n % 6; ++p)
        html += "<p>Quillet は表示したページを履歴に残します。history thumbnail " +
                std::to_string(n * p) + "</p>";
    return html;
}

} // namespace

// A long session over 50 real pages, revisited in turn, as a day of reading goes.
int cycle(int loads) {
    LocalHttpServer server;
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/debian-reference"))
        if (entry.path().string().ends_with(".ja.html") && paths.size() < 50) {
            paths.push_back("/reference/" + entry.path().filename().string());
            server.add(paths.back(), LocalHttpServer::htmlPage(readFile(entry.path())));
        }
    for (int n = 1; paths.size() < 50; ++n) {
        paths.push_back("/generated/" + std::to_string(n));
        server.add(paths.back(), LocalHttpServer::htmlPage(page(n)));
    }
    BrowserHarness browser;
    browser.waitForPageShown();
    long baseline = 0;
    Leftovers then;
    for (int n = 1; n <= loads; ++n) {
        browser.navigateAndWait(server.url(paths[static_cast<std::size_t>(n - 1) % 50]));
        if (n % 100 != 0 && n != loads)
            continue;
        const long thumbnails = static_cast<long>(browser->ImageList1.packedBytes() / 1024);
        const long beyond = anonymousKiBOf(getpid()) - thumbnails;
        const Leftovers now = leftovers();
        std::printf("load %4d: UI anonymous %6ld KiB, thumbnails %4ld KiB, beyond them %6ld KiB; "
                    "%d widgets in %d windows, %d files, %d threads\n",
                    n, beyond + thumbnails, thumbnails, beyond, now.widgets, now.windows, now.files,
                    now.threads);
        std::fflush(stdout);
        if (n == 100) {
            baseline = beyond;
            then = now;
        } else if (n == loads) {
            std::printf("from load 100 to %d: %+.1f MiB beyond the thumbnails; widgets %d -> %d, "
                        "windows %d -> %d, files %d -> %d, threads %d -> %d\n",
                        loads, (beyond - baseline) / 1024.0, then.widgets, now.widgets,
                        then.windows, now.windows, then.files, now.files, then.threads,
                        now.threads);
        }
    }
    return 0;
}

int main(int argc, char** argv) {
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.Soak", Gio::APPLICATION_NON_UNIQUE);
    if (argc > 1 && std::string(argv[1]) == "--cycle")
        return cycle(argc > 2 ? std::atoi(argv[2]) : 1000);
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    LocalHttpServer server;
    for (int n = 1; n <= pages; ++n)
        server.add("/" + std::to_string(n), LocalHttpServer::htmlPage(page(n)));

    BrowserHarness browser;
    browser.waitForPageShown();
    const auto report = [&](int loaded) {
        std::cout << "pages " << loaded << ": history " << browser->ListView1.count()
                  << " entries, UI process RSS " << residentKiBOf(getpid()) / 1024
                  << " MiB, process tree RSS " << treeResidentKiB() / 1024 << " MiB" << std::endl;
    };
    report(0);
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1; n <= pages; ++n) {
        browser.navigateAndWait(server.url("/" + std::to_string(n)));
        if (n % 500 == 0 || n == pages)
            report(n);
    }
    std::cout << "loading took "
              << std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                  start)
                     .count()
              << " s" << std::endl;

    for (int i = 1; i <= browser->ListView1.count(); ++i)
        browser->ListView1.setChecked(i, true);
    TempFolder target;
    browser->Image5.clicked();
    Form2& dialog = *browser->exportDialog();
    dialog.Dir1.setPath(target.path());
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    const auto files = std::distance(std::filesystem::directory_iterator(target.path()),
                                     std::filesystem::directory_iterator());
    std::cout << "export: " << (answers.texts().empty() ? "no message" : answers.texts()[0]) << ", "
              << files << " files written" << std::endl;
    report(pages);
    const bool ok = browser->ListView1.count() == pages + 1 && files == 2 * (pages + 1);
    std::cout << (ok ? "soak: OK" : "soak: FAILED") << std::endl;
    return ok ? 0 : 1;
}
