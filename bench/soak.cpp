// SPDX-License-Identifier: MIT
// Soak run (not part of CI): the real browser window under Xvfb loads N distinct pages from a
// local server through the address box, one after another, then exports them all with
// bitmaps through the export dialog. It reports crashes (the run must end), the history
// count, the files written and the resident memory of the UI process and its web processes.
// usage: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/quillet_soak [PAGES]

#include "BrowserHarness.h"
#include "Form2.h"
#include "LocalHttpServer.h"
#include "Rendering.h"

#include <filesystem>
#include <fstream>
#include <gtkmm/application.h>
#include <iostream>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;

namespace {

long residentKiBOf(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return 0;
}

// This process and every process below it (the web and network processes).
long treeResidentKiB() {
    long total = residentKiBOf(getpid());
    for (const auto& [pid, name] : descendantProcesses())
        total += residentKiBOf(pid);
    return total;
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

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 2000;
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.Soak", Gio::APPLICATION_NON_UNIQUE);
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
