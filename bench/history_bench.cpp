// SPDX-License-Identifier: MIT
// The kept history at 100,000 pages of real Japanese text (Debian's debian-reference-ja),
// each with a thumbnail a real window captured of a real page:
//   store        one page's storing step (text, thumbnail and its look, index), median over
//                all pages; this and the figures below for a plain file and a sealed one,
//                the two measured in turn
//   clear text   what `strings` and a byte search find in the folder: 1,000 words of the
//                kept pages and the PNG signature
//   size         the file per page (text, index and thumbnail together)
//   search       the first 50 matches with snippets for 1-, 2- and 3-character, two-word,
//                Latin and date-word queries, median and longest of 21 runs each; 30 days
//                of the timeline walked back with words
//   load         the newest 32,767 entries for the pane, read on the worker
//   pane         a window with keeping on: first rows, whole pane, the UI process's memory
//                above a window with an empty history, and a search typed to its matches
//                shown in the pane
// usage: history_bench [PAGES] [FOLDER]   (100000; FOLDER keeps the sealed file for
//        paint_time.py, FOLDER-plain the plain one), or history_bench --window FOLDER [unsealed]

#include "BrowserHarness.h"
#include "DateWords.h"
#include "HistoryFile.h"
#include "LocalHttpServer.h"
#include "ReferencePages.h"
#include "Rendering.h"
#include "ResidentMemory.h"
#include "TestSeal.h"
#include "ThumbnailCodec.h"
#include "TimelineDays.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <iostream>
#include <regex>
#include <set>

using namespace quillet;
using namespace quillet::test;
using quillet::bench::readReference;
using quillet::bench::ReferencePages;
using quillet::bench::residentKiB;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Milliseconds = std::chrono::duration<double, std::milli>;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Thumbnails a real window captured of the reference's real pages.
std::vector<PackedImage> realThumbnails() {
    LocalHttpServer server;
    server.setCacheControl("no-cache"); // (no-store: the kept history would hold no text)
    std::vector<std::string> paths;
    for (const fs::path& file : quillet::bench::referenceChapters()) {
        std::ifstream in(file);
        paths.push_back("/" + file.filename().string());
        server.add(paths.back(), LocalHttpServer::htmlPage(
                                     std::string((std::istreambuf_iterator<char>(in)), {})));
    }
    BrowserHarness browser({{"width_main", "19200"}, {"height_main", "15360"}});
    browser.waitForPageShown();
    for (const std::string& path : paths)
        browser.navigateAndWait(server.url(path));
    std::vector<PackedImage> thumbnails;
    for (int i = 2; i <= browser->ImageList1.count(); ++i)
        thumbnails.push_back(browser->ImageList1.image(i));
    return thumbnails;
}

void row(const std::string& name, double value, const std::string& unit) {
    std::printf("%-44s %10.2f %s\n", name.c_str(), value, unit.c_str());
}

} // namespace

// Words of the kept pages, for the byte search: Japanese runs of three or more characters
// and Latin words of five or more letters, each once.
std::vector<std::string> keptWords(const std::string& text, std::size_t count) {
    std::vector<std::string> words;
    std::set<std::string> seen;
    const std::regex runs("(?:[\\xe3-\\xe9][\\x80-\\xbf]{2}){3,}|[A-Za-z]{5,}");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), runs);
         it != std::sregex_iterator() && words.size() < count; ++it)
        if (seen.insert(it->str()).second)
            words.push_back(it->str());
    return words;
}

// The known item stored as page `index` (none: count or more): spread evenly over the oldest
// nine tenths of the history.
std::size_t knownItemAt(std::size_t index, int pages, std::size_t count) {
    const std::size_t span = static_cast<std::size_t>(pages) * 9 / 10;
    const std::size_t step = count == 0 ? 0 : span / count;
    if (step == 0 || index % step != step / 2 || index / step >= count)
        return count;
    return index / step;
}

std::string knownAddress(std::size_t item) {
    return "https://known.example/" + std::to_string(item) + ".html";
}

struct ClearTextFound {
    double words = 0;
    double pictures = 0;
    double byChance = 0; // the words as many random bytes would hold: a sealed file's bytes
};

// What `strings` and a byte search find of the kept pages in every file of the folder: a
// word can only be in a run of text, so the runs of printable ASCII and of UTF-8 are kept
// (as `strings` does) and searched; the PNG signature is searched in every byte.
ClearTextFound clearTextIn(const std::string& folder, const std::vector<std::string>& words) {
    const std::string png = "\x89PNG\r\n\x1a\n";
    ClearTextFound found;
    std::string texts;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<char> buffer(1 << 24);
        std::string run;
        std::string tail; // the last block's end, for a signature across two blocks
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
               in.gcount() > 0) {
            const std::string block = tail + std::string(buffer.data(), in.gcount());
            for (std::size_t at = block.find(png); at != std::string::npos;
                 at = block.find(png, at + 1))
                found.pictures += 1;
            for (std::size_t i = tail.size(); i < block.size(); ++i) {
                const auto c = static_cast<unsigned char>(block[i]);
                if ((c >= 0x20 && c < 0x7f) || c >= 0x80) {
                    run += static_cast<char>(c);
                    continue;
                }
                if (run.size() >= 6)
                    texts += run + "\n";
                run.clear();
            }
            tail = block.substr(block.size() - std::min<std::size_t>(block.size(), png.size() - 1));
        }
        if (run.size() >= 6)
            texts += run + "\n";
    }
    for (const std::string& word : words) {
        if (texts.find(word) != std::string::npos)
            found.words += 1;
        found.byChance += static_cast<double>(texts.size()) / std::pow(256.0, word.size());
    }
    return found;
}

// Start to the pane's first kept rows: the median of five windows on the kept history in
// HOME/data/Quillet.
double firstKeptRows(const TempFolder& home, const StoredSettings& settings) {
    std::vector<double> times;
    for (int start = 0; start < 5; ++start) {
        const auto t0 = std::chrono::steady_clock::now();
        BrowserHarness browser(settings, std::chrono::system_clock::now, home.path());
        pumpUntil([&] { return browser.entryCount() > 1; }, 60s);
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - t0).count());
    }
    return median(times);
}

// `history_bench --window FOLDER [unsealed]`: the start to the first rows alone, on a kept
// history written before; "unsealed" for a plain one, in a session without a keyring.
int windowOnly(const std::string& folder, bool unsealed) {
    auto app = Gtk::Application::create("org.quillet.HistoryBench", Gio::APPLICATION_NON_UNIQUE);
    TempFolder home;
    fs::create_directories(home.file("data"));
    fs::rename(folder, home.file("data/Quillet"));
    StoredSettings settings{{"history/keep", "1"}};
    if (unsealed)
        settings["history/without_keyring"] = "unsealed";
    row(std::string("window") + (unsealed ? " (plain file)" : "") +
            ": first kept rows in the pane, median of 5",
        firstKeptRows(home, settings), "ms");
    fs::rename(home.file("data/Quillet"), folder);
    return 0;
}

int main(int argc, char* argv[]) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as it comes
    chooseWebRendering();
    if (argc > 2 && std::string(argv[1]) == "--window")
        return windowOnly(argv[2], argc > 3 && std::string(argv[3]) == "unsealed");
    const int pages = argc > 1 ? std::stoi(argv[1]) : 100'000;
    auto app = Gtk::Application::create("org.quillet.HistoryBench", Gio::APPLICATION_NON_UNIQUE);
    TempFolder work;
    const std::string folder = argc > 2 ? argv[2] : work.file("data/Quillet");
    fs::remove_all(folder);

    const ReferencePages reference = readReference();
    std::size_t knownStored = 0;
    const std::string& text = reference.filler;
    const std::vector<PackedImage> thumbnails = realThumbnails();
    // Their looks, as Quillet's worker stores them with each visit.
    std::vector<std::optional<LookSignature>> looks;
    for (const PackedImage& thumbnail : thumbnails)
        looks.push_back(lookOfThumbnail(thumbnail));
    double thumbnailBytes = 0;
    for (const PackedImage& thumbnail : thumbnails)
        thumbnailBytes += static_cast<double>(thumbnail.bytes.size());

    // The same pages into a sealed file (the one the window below opens) and a plain one,
    // one after the other, so the two are measured on the same machine in the same run.
    struct Variant {
        const char* name;
        const SealedVfs* seal;
        std::string folder;
    };
    const std::vector<Variant> variants = {{"plain", nullptr, folder + "-plain"},
                                           {"sealed", test::keyringSeal(), folder}};
    std::printf("== Kept history of %d pages of debian-reference-ja text (%zu real thumbnails)\n",
                pages, thumbnails.size());
    row("  thumbnail (PNG, mean)", thumbnailBytes / thumbnails.size() / 1024, "KB");
    // Each page into both files in turn, the first of the two alternating, so that what the
    // machine does meanwhile falls on both alike.
    std::vector<std::vector<double>> storing(variants.size());
    {
        std::vector<OpenedHistory> opened;
        for (const Variant& variant : variants) {
            fs::remove_all(variant.folder);
            opened.push_back(
                openKeptHistory(variant.folder, std::chrono::system_clock::now(), variant.seal));
        }
        // Some 300 pages a day, as a day of a heavy user's browsing: 100,000 pages span most
        // of a year, for the timeline's days.
        constexpr StoredTime kSecondsBetweenVisits = 288;
        knownStored = 0;
        const StoredTime now = toStoredTime(std::chrono::system_clock::now());
        for (int page = 0; page < pages; ++page) {
            const auto index = static_cast<std::size_t>(page);
            const auto [title, pageText] = reference.page(index);
            PageVisit record{"https://reference.example/" + std::to_string(page) + ".html",
                             title + " - ページ " + std::to_string(page),
                             now - static_cast<StoredTime>(pages - page) * kSecondsBetweenVisits,
                             thumbnails[index % thumbnails.size()],
                             pageText,
                             false,
                             looks[index % looks.size()]};
            // The known items spread over the whole history, the newest a tenth of it back.
            if (const std::size_t item = knownItemAt(index, pages, reference.known.size());
                item < reference.known.size()) {
                record.address = knownAddress(item);
                record.title = reference.known[item].title;
                record.text = reference.known[item].text;
                ++knownStored;
            }
            for (std::size_t turn = 0; turn < variants.size(); ++turn) {
                const std::size_t v = (turn + index) % variants.size();
                const auto t0 = std::chrono::steady_clock::now();
                opened[v].store->store(record);
                storing[v].push_back(Milliseconds(std::chrono::steady_clock::now() - t0).count());
            }
        }
    }
    std::vector<std::string> files;
    for (const Variant& variant : variants)
        files.push_back(variant.folder + "/history.sqlite");
    for (std::size_t v = 0; v < variants.size(); ++v) {
        const std::string name = std::string(variants[v].name) + ": ";
        row(name + "storing step, median", median(storing[v]), "ms");
        row(name + "file per page", static_cast<double>(fs::file_size(files[v])) / pages / 1024,
            "KB");
    }
    // The file opened anew and its newest entries read, five times each in turn.
    std::vector<std::vector<double>> opening(variants.size());
    std::size_t newest = 0;
    for (int run = 0; run < 5; ++run)
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const auto t0 = std::chrono::steady_clock::now();
            HistoryStore store(files[v], variants[v].seal);
            newest = store.newest(ImageList::kMaxCount, false).size();
            opening[v].push_back(Milliseconds(std::chrono::steady_clock::now() - t0).count());
        }
    for (std::size_t v = 0; v < variants.size(); ++v)
        row(std::string(variants[v].name) + ": open and read newest " + std::to_string(newest) +
                ", median",
            median(opening[v]), "ms");
    // Each query's 21 runs, the two files in turn.
    std::vector<std::unique_ptr<HistoryStore>> stores;
    for (std::size_t v = 0; v < variants.size(); ++v)
        stores.push_back(std::make_unique<HistoryStore>(files[v], variants[v].seal));
    // The date words are read at the time the pages were written up to.
    const StoredTime now = toStoredTime(std::chrono::system_clock::now());
    // A colour chip the pages' looks have, with words and alone ("[chip]").
    const ColourChips chip = looks.front() ? looks.front()->chips & -looks.front()->chips : 0;
    for (const std::string query :
         {"設", "設定", "パッケ", "パッケージ 設定", "apt", "の", "を", "a", "設定の", "昨日",
          "先月", "去年", "昨日の設定", "先月 パッケージ", "[chip] 設定", "[chip] の", "[chip]"}) {
        const bool chipped = query.starts_with("[chip]");
        const HistoryFilter filter =
            datedFilter(chipped ? query.substr(6) : query, chipped ? chip : 0, now);
        std::vector<std::vector<double>> times(variants.size());
        std::size_t found = 0;
        for (int run = 0; run < 21; ++run)
            for (std::size_t v = 0; v < variants.size(); ++v) {
                const auto t0 = std::chrono::steady_clock::now();
                found = stores[v]->search(filter, 50).size();
                times[v].push_back(Milliseconds(std::chrono::steady_clock::now() - t0).count());
            }
        for (std::size_t v = 0; v < variants.size(); ++v) {
            row(std::string(variants[v].name) + ": search \"" + query + "\", first " +
                    std::to_string(found),
                median(times[v]), "ms");
            row("  the longest of 21", *std::max_element(times[v].begin(), times[v].end()), "ms");
        }
    }
    // 履歴をたどる with words: 30 days walked back from the newest as the timeline asks for
    // them (the latest visit before, then that day's pages). The first day reads the pages the
    // words match; the queries take turns, so each walk starts without them.
    const std::vector<std::string> walked = {"設定", "パッケージ 設定", "の", "先月 パッケージ"};
    std::vector<std::vector<std::vector<double>>> firstDays(
        walked.size(), std::vector<std::vector<double>>(variants.size())),
        laterDays = firstDays;
    for (int run = 0; run < 3; ++run)
        for (std::size_t q = 0; q < walked.size(); ++q)
            for (std::size_t v = 0; v < variants.size(); ++v) {
                const HistoryFilter filter = datedFilter(walked[q], 0, now);
                StoredTime before = now + 1;
                for (int day = 0; day < 30; ++day) {
                    const auto t0 = std::chrono::steady_clock::now();
                    const auto latest = stores[v]->latestVisitBefore(before, filter);
                    if (latest) {
                        before = startOfLocalDay(*latest);
                        stores[v]->visitedBetween(before, startOfNextLocalDay(before), filter);
                    }
                    (day == 0 ? firstDays : laterDays)[q][v].push_back(
                        Milliseconds(std::chrono::steady_clock::now() - t0).count());
                    if (!latest)
                        break;
                }
            }
    for (std::size_t q = 0; q < walked.size(); ++q)
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const std::string name = std::string(variants[v].name) + ": timeline \"" + walked[q];
            row(name + "\", the first day, median of 3", median(firstDays[q][v]), "ms");
            row(name + "\", a day after it, median", median(laterDays[q][v]), "ms");
            row("  the longest", *std::max_element(laterDays[q][v].begin(), laterDays[q][v].end()),
                "ms");
        }
    // The known items found again by the words a person would remember of each: where the
    // page stands among the first 50 matches, newest first and the best first.
    std::printf("== %zu known items among them, e.g. \"%s\" for %s\n", knownStored,
                reference.known.front().query.c_str(), reference.known.front().title.c_str());
    for (const MatchOrder order : {MatchOrder::Newest, MatchOrder::Best}) {
        const std::string name = order == MatchOrder::Best ? "best first" : "newest first";
        double first = 0, inFive = 0;
        std::vector<double> times;
        for (std::size_t item = 0; item < knownStored; ++item) {
            const HistoryFilter filter{reference.known[item].query, 0, std::nullopt, order};
            std::vector<SearchHit> hits;
            for (int run = 0; run < 3; ++run) {
                const auto t0 = std::chrono::steady_clock::now();
                hits = stores.back()->search(filter, 50);
                times.push_back(Milliseconds(std::chrono::steady_clock::now() - t0).count());
            }
            const auto at = std::find_if(hits.begin(), hits.end(), [&](const SearchHit& hit) {
                return hit.entry.address == knownAddress(item);
            });
            first += at == hits.begin() && at != hits.end();
            inFive += at - hits.begin() < 5;
        }
        const double count = static_cast<double>(std::max<std::size_t>(knownStored, 1));
        row("known items " + name + ": success@1", first / count, "");
        row("known items " + name + ": success@5", inFive / count, "");
        row("  their searches (sealed), median", median(times), "ms");
        row("  the longest", *std::max_element(times.begin(), times.end()), "ms");
    }
    stores.clear();
    const std::vector<std::string> words = keptWords(text, 1000);
    for (const Variant& variant : variants) {
        const ClearTextFound clear = clearTextIn(variant.folder, words);
        const std::string name = std::string(variant.name) + ": ";
        row(name + "kept words found in the folder's bytes (of 1000)", clear.words, "");
        if (variant.seal != nullptr)
            row(name + "  expected by chance in as many random bytes", clear.byChance, "");
        row(name + "PNG signatures found in the folder's bytes", clear.pictures, "");
    }
    // Kept beside FOLDER for `history_bench --window FOLDER-plain unsealed`, in a session
    // without a keyring (the window would seal it first otherwise).
    if (argc <= 2)
        fs::remove_all(folder + "-plain");

    // The pane: a window on this history, against one with an empty history.
    long emptyKiB = 0;
    {
        BrowserHarness empty;
        empty.waitForPageShown();
        pumpFor(500ms);
        emptyKiB = residentKiB();
    }
    TempFolder home;
    fs::create_directories(home.file("data"));
    // Moved there, not linked: Quillet opens no history folder behind a link.
    fs::rename(folder, home.file("data/Quillet"));
    row("window: first kept rows in the pane, median of 5",
        firstKeptRows(home, {{"history/keep", "1"}}), "ms");
    const auto t0 = std::chrono::steady_clock::now();
    BrowserHarness browser({{"history/keep", "1"}}, std::chrono::system_clock::now, home.path());
    const int full = std::min(pages, ImageList::kMaxCount - 1) + 1;
    pumpUntil([&] { return browser.entryCount() >= full; }, 120s);
    row("window: pane holds " + std::to_string(browser.entryCount()) + " entries",
        Milliseconds(std::chrono::steady_clock::now() - t0).count(), "ms");
    browser.waitForPageShown();
    pumpFor(1s);
    row("window: UI memory above an empty history", (residentKiB() - emptyKiB) / 1024.0, "MiB");
    // From the text reaching the search field to the matches drawn in the pane.
    browser.pane().openSearch();
    for (const char* query : {"設定", "パッケージ 設定", "apt", "の", "昨日の設定"}) {
        std::vector<double> times;
        for (int run = 0; run < 11; ++run) {
            browser.pane().historySearch.set_text("");
            pumpFor(50ms);
            const auto asked = std::chrono::steady_clock::now();
            browser.pane().historySearch.set_text(query);
            pumpUntil([&] {
                return browser->ListView1.showingResults() && !browser->ListView1.results().empty();
            });
            while (Glib::MainContext::get_default()->iteration(false)) // drawn
                ;
            times.push_back(Milliseconds(std::chrono::steady_clock::now() - asked).count());
        }
        row(std::string("window: \"") + query + "\" matches in the pane", median(times), "ms");
    }
    std::fflush(stdout);
    fs::rename(home.file("data/Quillet"), folder);
    return 0;
}
