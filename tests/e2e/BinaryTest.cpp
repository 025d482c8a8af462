// SPDX-License-Identifier: MIT
// The real program: starts on an empty settings folder, shows its built-in home page, and
// writes its settings when the session ends it with SIGTERM; killed in the middle of a
// download, it loses nothing the user had; two of them keeping the history share its file.

#include "HistoryStore.h"
#include "LocalHttpServer.h"
#include "ProgramRuns.h"
#include "SettingsStore.h"
#include "TestSeal.h"
#include "WebContext.h"

#include <csignal>
#include <filesystem>
#include <gdkmm/pixbufloader.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// The share of a packed picture's pixels within a few levels of `rgb` (0xRRGGBB).
double shareOfColour(const std::vector<std::uint8_t>& packed, std::uint32_t rgb) {
    auto loader = Gdk::PixbufLoader::create();
    loader->write(packed.data(), packed.size());
    loader->close();
    const Glib::RefPtr<Gdk::Pixbuf> picture = loader->get_pixbuf();
    int near = 0;
    for (int y = 0; y < picture->get_height(); ++y)
        for (int x = 0; x < picture->get_width(); ++x) {
            const guint8* pixel = picture->get_pixels() + y * picture->get_rowstride() +
                                  x * picture->get_n_channels();
            bool close = true;
            for (int channel = 0; channel < 3; ++channel)
                close = close &&
                        std::abs(pixel[channel] - int((rgb >> (16 - 8 * channel)) & 0xFF)) <= 6;
            near += close;
        }
    return double(near) / (picture->get_width() * picture->get_height());
}

} // namespace

TEST(Binary, ShowsTheHomePageAndWritesTheSettingsOnSigterm) {
    TempFolder home;
    const pid_t child = startQuillet(home);
    ASSERT_GE(child, 0);
    // The caption names the page only once the load indicator has seen it complete.
    const bool shown = pumpUntil([] { return windowTitled("Quillet ホーム"); }, 30s);
    // Open the thumbnail-size dialog (its button at the design place, top right): an open
    // dialog must not keep the program alive past the end of the session.
    EXPECT_EQ(std::system("xdotool mousemove 699 280 click 1"), 0);
    EXPECT_TRUE(pumpUntil([] { return windowTitled("履歴ｻﾑﾈｲﾙｻｲｽﾞ変更"); }, 10s));
    const bool ended = endQuillet(child);
    ASSERT_TRUE(shown) << "the home page was not reported loaded";
    EXPECT_TRUE(ended) << "SIGTERM did not end the program with status 0";

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

// A download killed in the middle (kill -9) loses nothing the user had: the file already in
// the download folder is untouched and nothing appears under a final name. The next run's
// download of the same file is saved whole, beside the user's file.
TEST(Binary, AKilledDownloadLosesNothingAndTheNextRunSavesItWhole) {
    LocalHttpServer server;
    const std::string body(256 * 1024, 'k');
    server.add("/held", LocalHttpServer::attachment("held.bin", body, 4096));
    TempFolder home;
    const std::string downloads = home.file("downloads");
    writeFile(home.file("config/user-dirs.dirs"), "XDG_DOWNLOAD_DIR=\"" + downloads + "\"\n");
    writeFile(downloads + "/held.bin", "the user's own file");
    const auto startDownload = [&] {
        const pid_t child = startQuillet(home);
        EXPECT_TRUE(pumpUntil([] { return windowTitled("Quillet ホーム"); }, 30s));
        pressKeys("ctrl+l");
        typeText(server.url("/held"));
        pressKeys("Return");
        return child;
    };
    // The files under a final name other than the user's own.
    const auto saved = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(downloads)) {
            const std::string name = entry.path().filename();
            if (name != "held.bin" && name.ends_with(".bin"))
                names.push_back(name);
        }
        return names;
    };

    const pid_t first = startDownload();
    ASSERT_GT(first, 0);
    const bool writing =
        pumpUntil([&] { return std::filesystem::exists(downloads + "/held (1).bin.part"); }, 20s);
    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    ASSERT_TRUE(writing) << "the first download never started";
    EXPECT_EQ(readFile(downloads + "/held.bin"), "the user's own file");
    EXPECT_EQ(saved(), std::vector<std::string>{});

    const pid_t second = startDownload();
    ASSERT_GT(second, 0);
    server.release("/held");
    const bool done = pumpUntil([&] { return saved().size() == 1; }, 20s);
    kill(second, SIGTERM);
    waitpid(second, nullptr, 0);
    ASSERT_TRUE(done) << "the second download was not saved";
    EXPECT_EQ(readFile(downloads + "/" + saved().front()), body);
    EXPECT_EQ(readFile(downloads + "/held.bin"), "the user's own file");
}

// Two Quillet processes keeping the history in one file: both start, both store the page they
// show, and both close cleanly; the file holds every visit and is whole.
TEST(Binary, TwoProcessesKeepingTheHistoryShareItsFile) {
    TempFolder home;
    SettingsStore(home.file("config")).write("Quillet", "history", "keep", "1");
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        children.push_back(startQuillet(home));
        ASSERT_GE(children.back(), 0);
    }
    const std::string file = keptHistoryFile(home);
    const bool stored = pumpUntil([&] { return keptVisitsOf(home, kHomeAddress) == 2; }, 40s);
    for (const pid_t child : children)
        EXPECT_TRUE(endQuillet(child));
    EXPECT_TRUE(stored) << keptVisitsOf(home, kHomeAddress) << " visits stored";
    Database db(file, false, keyringSeal()->name());
    Statement check = db.prepare("PRAGMA integrity_check");
    check.step();
    EXPECT_EQ(check.text(0), "ok");
    for (const auto& entry : std::filesystem::directory_iterator(home.file("data/Quillet")))
        EXPECT_EQ(entry.path().filename().string().find("broken"), std::string::npos);
}

// Addresses on the command line: a local file by a relative path with a space and Japanese in
// its name, then a host typed without a scheme. The first is shown instead of the home page,
// the second after it is shown, so each enters the history (kept here, so the test can read
// it) and the home page does not.
TEST(Binary, AddressesOnTheCommandLineAreVisitedInTurn) {
    TempFolder home, pages;
    SettingsStore(home.file("config")).write("Quillet", "history", "keep", "1");
    writeFile(pages.file("ページ 1.html"),
              "<title>一つ目</title><body style='background:#2E8B57'><p>first</p>");
    LocalHttpServer server;
    server.add("/second", LocalHttpServer::htmlPage("<title>Second</title><p>second</p>"));
    const std::string typed = "127.0.0.1:" + std::to_string(server.port()) + "/second";
    const pid_t child = startQuillet(home, {"./ページ 1.html", typed}, pages.path());
    ASSERT_GE(child, 0);
    std::vector<std::string> visited;
    const bool both = pumpUntil(
        [&] {
            try {
                visited.clear();
                if (const auto store = readKeptHistory(home))
                    for (const StoredEntry& entry : store->newest(10, false))
                        visited.insert(visited.begin(), entry.address);
            } catch (const std::exception&) {
            }
            return visited.size() == 2;
        },
        40s);
    pumpFor(1s); // a home page loaded late would enter the history by now
    const std::string first = "file://" + pages.path() + "/%E3%83%9A%E3%83%BC%E3%82%B8%201.html";
    // The first page was taken as it was shown, before the next address: its own background.
    std::optional<PackedImage> firstThumbnail;
    try {
        if (const auto store = readKeptHistory(home)) {
            firstThumbnail = store->thumbnail(first);
            visited.clear();
            for (const StoredEntry& entry : store->newest(10, false))
                visited.insert(visited.begin(), entry.address);
        }
    } catch (const std::exception&) {
    }
    EXPECT_TRUE(endQuillet(child));
    ASSERT_TRUE(both) << visited.size() << " pages visited";
    ASSERT_TRUE(firstThumbnail && !firstThumbnail->bytes.empty());
    EXPECT_GT(shareOfColour(firstThumbnail->bytes, 0x2E8B57), 0.2);
    EXPECT_EQ(visited, (std::vector<std::string>{first, "http://" + typed}));
}
