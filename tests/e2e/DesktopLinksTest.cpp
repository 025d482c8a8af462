// SPDX-License-Identifier: MIT
// Quillet as the desktop's web browser: links and HTML files from other programs (xdg-open,
// gio) start it on the page, a second link while it runs opens a second window and loses
// nothing of the first, and a private window, from the desktop entry's action or the command
// line, leaves every file of the user's as it was.

#include "GObjectPtr.h"
#include "LocalHttpServer.h"
#include "ProgramRuns.h"
#include "SettingsStore.h"
#include "WebContext.h"

#include <filesystem>
#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/prctl.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// Every file and folder below `folder`, by its path there, with a file's bytes.
std::map<std::string, std::string> everythingIn(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string path = fs::relative(entry.path(), folder).string();
        found[path] = entry.is_regular_file() ? readFile(entry.path()) : "<folder>";
    }
    return found;
}

// A page that leaves everything a site can: a cookie, local storage and an IndexedDB database.
Page pageLeavingSiteData(const std::string& title) {
    return LocalHttpServer::htmlPage("<title>" + title +
                                     "</title><p>site data</p><script>"
                                     "document.cookie = 'visit=" +
                                     title +
                                     "; max-age=999999';"
                                     "localStorage.setItem('visit', '" +
                                     title +
                                     "');"
                                     "indexedDB.open('visits', 1).onupgradeneeded = e => "
                                     "e.target.result.createObjectStore('pages');</script>");
}

} // namespace

// With Quillet made the default browser by xdg-settings: `xdg-open` of a link starts it on the
// page (instead of its home page), and while that window is open, `gio open` of a local HTML
// file (a space and Japanese in its name) opens a second one. Both windows keep every page they
// showed, and both close with their settings whole.
TEST(DesktopLinks, LinksFromOtherProgramsOpenInQuilletWithoutLosingTheRunningWindow) {
    prctl(PR_SET_CHILD_SUBREAPER, 1); // the programs xdg-open and gio start stay below this one
    TempFolder home, pages;
    SettingsStore(home.file("config")).write("Quillet", "history", "keep", "1");
    registerAsDefaultBrowser(home);
    LocalHttpServer server;
    server.add("/linked", LocalHttpServer::htmlPage("<title>Linked</title><p>from a link</p>"));
    writeFile(pages.file("手紙 1.html"), "<title>Letter</title><p>a local file</p>");
    const std::string letter = "file://" + pages.path() + "/%E6%89%8B%E7%B4%99%201.html";

    // xdg-open waits for the browser it starts, as it does outside a desktop environment.
    const pid_t xdgOpen = startWithHome(home, {"xdg-open", server.url("/linked")});
    const bool linkShown = pumpUntil(
        [&] { return keptAddresses(home) == std::vector<std::string>{server.url("/linked")}; },
        40s);
    const pid_t gioOpen = startWithHome(home, {"gio", "open", pages.file("手紙 1.html")});
    EXPECT_TRUE(endedCleanly(gioOpen)) << "gio open failed";
    const std::vector<std::string> all = {letter, server.url("/linked")};
    const bool fileShown = pumpUntil([&] { return keptAddresses(home) == all; }, 40s);
    pumpFor(1s); // a home page loaded late would enter the history by now
    EXPECT_TRUE(endEveryQuillet());
    EXPECT_TRUE(endedCleanly(xdgOpen)) << "xdg-open did not end well with its browser";
    EXPECT_TRUE(linkShown) << "xdg-open's link did not enter the history";
    EXPECT_TRUE(fileShown) << "gio open's file did not enter the history";
    EXPECT_EQ(keptVisitsOf(home, kHomeAddress), 0U);
    EXPECT_EQ(keptAddresses(home), all);
    SettingsStore settings(home.file("config"));
    EXPECT_EQ(settings.read("Quillet", "sets", "width_main", "<absent>"), "7995");
    EXPECT_EQ(settings.read("Quillet", "history", "keep", "<absent>"), "1");
    for (const auto& entry : std::filesystem::directory_iterator(home.file("config/Quillet")))
        EXPECT_EQ(entry.path().filename(), "settings.ini");
}

// A normal run leaves a cookie, site storage, a cached page and a kept visit. Then a private
// window from the desktop entry's action (an address typed, the window resized) and a
// `--private ADDRESS` run each show their caption as private and change no byte of any file
// under the user's folders.
TEST(DesktopLinks, APrivateWindowLeavesEveryFileAsItWas) {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    TempFolder home;
    SettingsStore(home.file("config")).write("Quillet", "history", "keep", "1");
    registerAsDefaultBrowser(home);
    LocalHttpServer server;
    server.add("/normal", pageLeavingSiteData("Normal"));
    server.add("/typed", pageLeavingSiteData("Typed"));
    server.add("/given", pageLeavingSiteData("Given"));

    const pid_t normal = startQuillet(home, {server.url("/normal")});
    EXPECT_TRUE(pumpUntil([] { return windowTitled("Quillet Normal"); }, 40s));
    EXPECT_TRUE(pumpUntil([&] { return keptAddresses(home).size() == 1; }, 20s));
    EXPECT_TRUE(endQuillet(normal));
    ASSERT_TRUE(everyProcessBelowEnded());
    const auto before = everythingIn(home.path());
    ASSERT_TRUE(before.count("data/Quillet/cookies.sqlite")) << "the normal run kept no cookie";

    // The desktop's menu starts the action the way a shell does.
    GObjectPtr<GDesktopAppInfo> entry(g_desktop_app_info_new_from_filename(
        home.file("data/applications/org.quillet.Quillet.desktop").c_str()));
    ASSERT_TRUE(entry);
    GObjectPtr<GAppLaunchContext> launch(g_app_launch_context_new());
    for (const auto& [variable, folder] : kXdgFolders)
        g_app_launch_context_setenv(launch.get(), variable, home.file(folder).c_str());
    g_desktop_app_info_launch_action(entry.get(), "private-window", launch.get());
    EXPECT_TRUE(pumpUntil([] { return windowTitled("Quillet \\(プライベート\\) ホーム"); }, 40s));
    pressKeys("ctrl+l");
    typeText(server.url("/typed"));
    pressKeys("Return");
    EXPECT_TRUE(pumpUntil([] { return windowTitled("Quillet \\(プライベート\\) Typed"); }, 20s));
    EXPECT_EQ(std::system("xdotool search --name '^Quillet \\(プライベート\\) Typed$' "
                          "windowsize 900 700"),
              0);
    pumpFor(1s);
    EXPECT_TRUE(endEveryQuillet());

    const pid_t given = startQuillet(home, {"--private", server.url("/given")});
    EXPECT_TRUE(pumpUntil([] { return windowTitled("Quillet \\(プライベート\\) Given"); }, 40s));
    EXPECT_TRUE(endQuillet(given));
    EXPECT_TRUE(everyProcessBelowEnded());

    const auto after = everythingIn(home.path());
    for (const auto& [path, bytes] : after)
        EXPECT_TRUE(before.count(path) && before.at(path) == bytes) << path << " changed";
    for (const auto& [path, bytes] : before)
        EXPECT_TRUE(after.count(path)) << path << " was removed";
}
