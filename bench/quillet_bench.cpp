// SPDX-License-Identifier: MIT
// In-process benchmarks of the visual history on a real window under Xvfb:
//   capture      copy + shrink + pack one 120 x 120 thumbnail from a 1280 x 1024 window
//   add          append an entry (with its duplicate check) to a history of N entries
//   find_miss    FindInHistory's search with no match over N entries
//   scroll_draw  scroll the pane to the end and draw a screenful
//   export       write N ticked entries with bitmaps to a RAM disk
// plus counters: packed bytes per thumbnail of real pages, UI-process memory at N entries.

#include "BrowserHarness.h"
#include "Form2.h"
#include "HistoryRules.h"
#include "LocalHttpServer.h"
#include "PixelCopy.h"
#include "Rendering.h"
#include "ResidentMemory.h"
#include "ThumbnailCodec.h"

#include <benchmark/benchmark.h>
#include <cairomm/surface.h>
#include <filesystem>
#include <fstream>
#include <glibmm/main.h>
#include <gtkmm/application.h>

using namespace quillet;
using namespace quillet::test;
using quillet::bench::residentKiB;
using namespace std::chrono_literals;

namespace {

// Pages that look like pages: headings, paragraphs of Japanese and Latin text, coloured
// boxes and pictures, different on every address.
std::string variedPage(int n) {
    static const char* const colours[] = {"#fdfdfd", "#f4f8f3", "#fff8e7", "#eef3fb", "#1e1e28"};
    static const char* const words[] = {"Quillet", "履歴", "サムネイル", "browser", "ページ",
                                        "history", "検索", "export",     "表示",    "window"};
    std::string html =
        "<!DOCTYPE html><meta charset=utf-8><title>Page " + std::to_string(n) +
        "</title><style>body{font-family:sans-serif;margin:24px;background:" + colours[n % 5] +
        ";color:" + (n % 5 == 4 ? "#ddd" : "#222") + "}h1{color:hsl(" +
        std::to_string(n * 47 % 360) +
        ",60%,35%)}.box{display:inline-block;margin:6px;width:" + std::to_string(80 + n % 7 * 30) +
        "px;height:" + std::to_string(60 + n % 5 * 25) + "px}</style><h1>";
    for (int w = 0; w < 3 + n % 4; ++w)
        html += std::string(words[(n + w) % 10]) + " ";
    html += "</h1>";
    for (int p = 0; p < 4 + n % 9; ++p) {
        html += "<p>";
        for (int w = 0; w < 20 + (n * p) % 40; ++w)
            html += std::string(words[(n * 3 + p * 7 + w) % 10]) + (w % 9 == 8 ? "。" : " ");
        html += "</p>";
        if ((n + p) % 3 == 0)
            html += "<div class=box style='background:hsl(" +
                    std::to_string((n * 31 + p * 67) % 360) +
                    ",55%,55%)'></div><div class=box style='background:linear-gradient(hsl(" +
                    std::to_string(p * 90 % 360) + ",70%,60%),#fff)'></div>";
    }
    return html;
}

// One window at 1280 x 1024 and thumbnails of real, varied pages it captured.
struct Fixture {
    LocalHttpServer server;
    std::unique_ptr<BrowserHarness> browser;
    std::vector<PackedImage> thumbnails;
    long emptyHistoryKiB = 0;

    Fixture() {
        for (int n = 0; n < 40; ++n)
            server.add("/page/" + std::to_string(n), LocalHttpServer::htmlPage(variedPage(n)));
        browser = std::make_unique<BrowserHarness>(
            StoredSettings{{"width_main", "19200"}, {"height_main", "15360"}});
        browser->waitForPageShown();
        for (int n = 0; n < 40; ++n)
            browser->navigateAndWait(server.url("/page/" + std::to_string(n)));
        for (int i = 1; i <= (*browser)->ImageList1.count(); ++i)
            thumbnails.push_back((*browser)->ImageList1.image(i));
        emptyHistoryKiB = residentKiB();
    }

    // A fresh window with a history of `size` entries made of the captured thumbnails.
    std::unique_ptr<BrowserHarness> windowWithHistory(int size) {
        auto window = std::make_unique<BrowserHarness>(
            StoredSettings{{"width_main", "19200"}, {"height_main", "15360"}});
        window->waitForPageShown();
        fill(window->window(), size);
        return window;
    }
    void fill(frmBrowser& window, int size) {
        for (int n = window.ImageList1.count() + 1; n <= size; ++n) {
            const std::string key = "http://history.invalid/" + std::to_string(n);
            window.ImageList1.add(n, key,
                                  thumbnails[static_cast<std::size_t>(n) % thumbnails.size()]);
            window.ListView1.addItem(n, key, key, n);
            window.ListView1.setSubItem(n, 1, "Page " + std::to_string(n));
            window.ListView1.setSubItem(n, 2, "2026/12/07 05:00:00");
        }
    }
};

Fixture* fixture = nullptr;
constexpr int kSizes[] = {100, 1000, 10000, 32767};

void BM_capture(benchmark::State& state) {
    frmBrowser& window = fixture->browser->window();
    const PixelRect source =
        captureSourceRect(window.placedPageView->left(), window.placedPageView->top(),
                          window.placedPageView->width(), window.placedPageView->height(), 15, 15);
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto picture = copyAndShrink(window, source, 120, 120, 0xF1F2EE);
        PackedImage packed = packThumbnail(picture);
        bytes = packed.bytes.size();
        benchmark::DoNotOptimize(packed);
    }
    state.counters["source_px"] = source.width * source.height;
    state.counters["packed_bytes"] = static_cast<double>(bytes);
}

void BM_thumbnail_storage(benchmark::State& state) {
    double total = 0;
    for (auto _ : state) {
        total = 0;
        for (const PackedImage& image : fixture->thumbnails)
            total += static_cast<double>(image.bytes.size());
    }
    state.counters["pages"] = static_cast<double>(fixture->thumbnails.size());
    state.counters["bytes_per_thumbnail"] = total / static_cast<double>(fixture->thumbnails.size());
}

void BM_history_at_size(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    auto window = fixture->windowWithHistory(size - 100);
    frmBrowser& w = window->window();
    const long before = residentKiB();
    // Time the last 100 additions, each with the duplicate check page capture makes.
    const auto start = std::chrono::steady_clock::now();
    int added = 0;
    for (int n = w.ImageList1.count() + 1; n <= size; ++n, ++added) {
        const std::string key = "http://history.invalid/last/" + std::to_string(n);
        benchmark::DoNotOptimize(w.ImageList1.contains(key));
        w.ImageList1.add(n, key, fixture->thumbnails[static_cast<std::size_t>(n) % 40]);
        w.ListView1.addItem(n, key, key, n);
        w.ListView1.setSubItem(n, 1, "Page");
        w.ListView1.setSubItem(n, 2, "2026/12/07 05:00:00");
    }
    const double addMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        added;

    // The duplicate check of a known address and a search that finds nothing.
    const auto timeIt = [](auto&& work, int repeats) {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < repeats; ++i)
            work();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                   .count() /
               repeats;
    };
    const double duplicateMs = timeIt(
        [&] { benchmark::DoNotOptimize(w.ImageList1.contains("http://history.invalid/50")); },
        1000);
    const double findMissMs = timeIt(
        [&] {
            benchmark::DoNotOptimize(
                w.ListView1.findItem(historySearchText("no-such-host.invalid"), 1));
        },
        20);

    // Scroll to the end and draw the pane, as the user sees it after End.
    auto& tree = w.ListView1.tree();
    const auto surface = Cairo::ImageSurface::create(
        Cairo::FORMAT_RGB24, w.ListView1.get_allocated_width(), w.ListView1.get_allocated_height());
    double drawMs = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        tree.scroll_to_row(Gtk::TreeModel::Path(std::to_string(size - 1)));
        pumpUntil([] { return !Glib::MainContext::get_default()->pending(); }, 1s);
        gtk_widget_draw(GTK_WIDGET(w.ListView1.gobj()), Cairo::Context::create(surface)->cobj());
        drawMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                     .count();
        state.SetIterationTime(drawMs / 1000);
        tree.scroll_to_row(Gtk::TreeModel::Path("0"));
        pumpUntil([] { return !Glib::MainContext::get_default()->pending(); }, 1s);
    }
    state.counters["entries"] = size;
    state.counters["add_ms"] = addMs;
    state.counters["duplicate_check_ms"] = duplicateMs;
    state.counters["find_miss_ms"] = findMissMs;
    state.counters["scroll_draw_ms"] = drawMs;
    state.counters["rss_above_empty_MiB"] = (before - fixture->emptyHistoryKiB) / 1024.0;
    state.counters["packed_MiB"] = static_cast<double>(w.ImageList1.packedBytes()) / (1 << 20);
}

void BM_export(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    auto window = fixture->windowWithHistory(size);
    frmBrowser& w = window->window();
    const std::string folder = "/dev/shm/quillet-bench-export";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        for (int i = 1; i <= size; ++i)
            w.ListView1.setChecked(i, true);
        w.Image5.clicked();
        Form2& dialog = *w.exportDialog();
        dialog.Dir1.setPath(folder);
        MessageBoxAnswerer answers;
        state.ResumeTiming();
        dialog.Command1.clicked();
    }
    std::filesystem::remove_all(folder);
    state.counters["entries"] = size;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.Bench", Gio::APPLICATION_NON_UNIQUE);
    Fixture shared;
    fixture = &shared;
    benchmark::RegisterBenchmark("capture_120x120_from_1280x1024", BM_capture)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("thumbnail_storage_real_pages", BM_thumbnail_storage)
        ->Iterations(1);
    for (int size : kSizes) {
        benchmark::RegisterBenchmark("history", BM_history_at_size)
            ->Arg(size)
            ->Iterations(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("export_with_bitmaps", BM_export)
            ->Arg(std::min(size, 1000))
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture = nullptr;
    return 0;
}
