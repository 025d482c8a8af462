// SPDX-License-Identifier: MIT
// Finding pages by their look, measured:
//   quality      over 205 pages captured by a real window (debian-reference-ja's chapters, as
//                they are, a day later with news on top, and in a dark theme; and generated pages
//                of ten layouts in eight colour schemes, each also a day later), how often one
//                of a page's known look-alikes is among the first 5 shown (recall@5): the same
//                layout in other colours, the same colours in another layout, the same page at
//                another time; for the weights of the nearness, a plain average-colour baseline
//                and the order 似たページを探す shows
// and, over a kept history written by `history_bench 100000 FOLDER`, each on a fresh copy:
//   signature    a thumbnail's look worked out, with and without unpacking it (1,000 of them)
//   move         the looks of every stored thumbnail worked out in the background after the
//                file moved forward, and the searches answered meanwhile (on FOLDER itself:
//                the other scenarios need the looks)
//   similar      似たページを探す: the 50 nearest of all pages, in the store and through the
//                worker
//   chips        a colour chip with words, against the words alone
//   timeline     Ctrl+Shift+H to the first day's pictures on screen, a day scrolled in, and the
//                UI process's memory after 30 days scrolled in
// usage: look_bench quality | look_bench FOLDER [signature|move|similar|chips|timeline ...]

#include "BenchKeptHistory.h"
#include "LocalHttpServer.h"
#include "ReferencePages.h"
#include "Rendering.h"
#include "ResidentMemory.h"
#include "TestSeal.h"
#include "ThumbnailCodec.h"

#include <algorithm>
#include <fstream>
#include <gtkmm/application.h>
#include <iostream>
#include <map>
#include <numeric>
#include <regex>
#include <webkit2/webkit2.h>

using namespace quillet;
using namespace quillet::test;
using namespace quillet::bench;
namespace fs = std::filesystem;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
double largest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// ---- quality ----

struct Scheme {
    const char *background, *accent, *ink;
};
constexpr Scheme kSchemes[] = {
    {"#FFFFFF", "#1E5AC8", "#222222"}, {"#FFFFFF", "#C62828", "#222222"},
    {"#1E1E1E", "#43A047", "#EEEEEE"}, {"#F3E9D2", "#795548", "#3E2723"},
    {"#E8F5E9", "#2E7D32", "#1B3B1B"}, {"#102040", "#FDD835", "#F0F0F0"},
    {"#4A148C", "#FFFFFF", "#F3E5F5"}, {"#9E9E9E", "#EF6C00", "#111111"},
};

std::string lines(const Scheme& s, int count, const char* width = "90%") {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string("<div style='height:9px;margin:9px 0;width:") + width +
                ";background:" + s.ink + ";opacity:.75'></div>";
    return text;
}

// Ten layouts; `later` is the same page on another day: a little more or less of it, moved.
std::string layoutBody(int layout, const Scheme& s, bool later) {
    const int n = later ? 9 : 12;
    const std::string accent = s.accent;
    const std::string band = later ? "22vh" : "18vh";
    switch (layout) {
    case 0:
    case 1: // a heading band, a table of rows on the left or the right
        return "<div style='height:" + band + ";background:" + accent +
               "'></div><div style='float:" + (layout == 0 ? "left" : "right") +
               ";width:45%;margin:20px'>" + lines(s, n + 6, "100%") + "</div>";
    case 2: // two columns of text
        return "<div style='display:flex;gap:4%;padding:4%'><div style='flex:1'>" +
               lines(s, n + 8) + "</div><div style='flex:1'>" + lines(s, later ? n + 2 : n + 8) +
               "</div></div>";
    case 3: { // a grid of cards
        std::string cards;
        for (int i = 0; i < (later ? 5 : 6); ++i)
            cards +=
                "<div style='width:28%;height:34vh;margin:2%;background:" + accent + "'></div>";
        return "<div style='display:flex;flex-wrap:wrap;padding:2%'>" + cards + "</div>";
    }
    case 4: // a big picture over text
        return "<div style='height:" + std::string(later ? "55vh" : "50vh") +
               ";background:" + accent + "'></div><div style='padding:3% 10%'>" + lines(s, n) +
               "</div>";
    case 5: // a side bar on the left
        return "<div style='display:flex;height:100vh'><div style='width:26%;background:" + accent +
               "'></div><div style='flex:1;padding:3%'>" + lines(s, n + 10) + "</div></div>";
    case 6: // a map on the right of a list
        return "<div style='display:flex;height:100vh'><div style='flex:1;padding:3%'>" +
               lines(s, n + 10, "70%") +
               "</div><div style='width:" + std::string(later ? "50%" : "55%") +
               ";background:" + accent +
               ";background-image:repeating-linear-gradient(45deg,transparent 0 "
               "30px,rgba(0,0,0,.15) 30px 34px)'></div></div>";
    case 7: // a narrow article in the middle
        return "<div style='width:44%;margin:6vh auto'>" + lines(s, n + 14, "100%") + "</div>";
    case 8: // text over a tall footer
        return "<div style='padding:3% 6%;height:" + std::string(later ? "60vh" : "56vh") + "'>" +
               lines(s, n) + "</div><div style='height:44vh;background:" + accent + "'></div>";
    default: // a thin bar, a headline, three columns
        return "<div style='height:6vh;background:" + accent +
               "'></div><div style='height:12vh;margin:3% 6%;background:" + s.ink +
               ";opacity:.8;width:" + (later ? "70%" : "80%") +
               "'></div><div style='display:flex;gap:3%;padding:0 6%'><div style='flex:1'>" +
               lines(s, n) + "</div><div style='flex:1'>" + lines(s, n) +
               "</div><div style='flex:1'>" + lines(s, n) + "</div></div>";
    }
}

Page generatedPage(int layout, int scheme, bool later) {
    const Scheme& s = kSchemes[scheme];
    return LocalHttpServer::htmlPage(
        std::string("<!DOCTYPE html><html><head><meta charset='utf-8'><title>L") +
        std::to_string(layout) + "C" + std::to_string(scheme) +
        "</title><style>html,body{margin:0;min-height:100%;overflow:hidden;background:" +
        s.background + "}</style></head><body>" + layoutBody(layout, s, later) + "</body></html>");
}

// A chapter as it is, a day later (news inserted at the top), and in a dark theme.
Page chapterPage(const fs::path& file, int variant) {
    std::ifstream in(file);
    std::string html((std::istreambuf_iterator<char>(in)), {});
    html = std::regex_replace(html, std::regex("href=\"debian-reference.css\""), "href=\"/d.css\"");
    if (variant == 1)
        html = std::regex_replace(
            html, std::regex("<body([^>]*)>"),
            "<body$1><div style='border:1px solid #888;padding:8px;margin:8px'><h2>お知らせ</h2>"
            "<p>このページは更新されました。新しい節が加わり、古い節の内容を改めました。</p></div>",
            std::regex_constants::format_first_only);
    if (variant == 2)
        html = std::regex_replace(html, std::regex("</head>"),
                                  "<style>html{filter:invert(1) hue-rotate(180deg);"
                                  "background:#FFF}</style></head>",
                                  std::regex_constants::format_first_only);
    return LocalHttpServer::htmlPage(html);
}

struct Captured {
    std::string name;
    LookSignature look;
};

// The mean colour of the whole picture, as the baseline sees a page.
using Distance = std::function<double(const LookSignature&, const LookSignature&)>;
// The first five shown for a query (an index into the pages, the query itself left out).
using FirstFive = std::function<std::vector<std::size_t>(std::size_t query)>;

FirstFive nearestBy(const std::vector<Captured>& pages, Distance distance) {
    return [&pages, distance](std::size_t query) {
        std::vector<std::pair<double, std::size_t>> order;
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (i != query)
                order.emplace_back(distance(pages[query].look, pages[i].look), i);
        std::partial_sort(order.begin(), order.begin() + 5, order.end());
        std::vector<std::size_t> first;
        for (std::size_t i = 0; i < 5; ++i)
            first.push_back(order[i].second);
        return first;
    };
}

// What 似たページを探す shows first.
FirstFive quilletsOrder(const std::vector<Captured>& pages) {
    return [&pages](std::size_t query) {
        std::vector<LookSignature> others;
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (i != query) {
                others.push_back(pages[i].look);
                at.push_back(i);
            }
        std::vector<std::size_t> first;
        for (const std::size_t i : nearestLooks(pages[query].look, others, 5))
            first.push_back(at[i]);
        return first;
    };
}

int quality() {
    LocalHttpServer server;
    server.setCacheControl("no-cache");
    {
        std::ifstream css("/usr/share/debian-reference/debian-reference.css");
        Page page =
            LocalHttpServer::htmlPage(std::string((std::istreambuf_iterator<char>(css)), {}));
        page.contentType = "text/css";
        server.add("/d.css", page);
    }
    std::vector<std::string> names;
    for (int layout = 0; layout < 10; ++layout)
        for (int scheme = 0; scheme < 8; ++scheme)
            for (int later = 0; later < 2; ++later) {
                const std::string name = "/g" + std::to_string(layout) + "-" +
                                         std::to_string(scheme) + "-" + std::to_string(later);
                server.add(name, generatedPage(layout, scheme, later == 1));
                names.push_back(name);
            }
    const auto files = quillet::bench::referenceChapters();
    for (std::size_t c = 0; c < files.size(); ++c)
        for (int variant = 0; variant < 3; ++variant) {
            const std::string name = "/r" + std::to_string(c) + "-" + std::to_string(variant);
            server.add(name, chapterPage(files[c], variant));
            names.push_back(name);
        }

    BrowserHarness browser({{"width_main", "19200"}, {"height_main", "15360"}});
    browser.waitForPageShown();
    std::vector<Captured> pages;
    for (const std::string& name : names) {
        browser.navigateAndWait(server.url(name));
        const auto look = lookOfThumbnail(browser.thumbnail(server.url(name)));
        if (!look) {
            std::cerr << "no look for " << name << "\n";
            return 1;
        }
        pages.push_back({name, *look});
    }
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < pages.size(); ++i)
        index[pages[i].name] = i;
    if (const char* dump = std::getenv("QUILLET_LOOKS_FILE")) { // for trying other nearnesses
        std::ofstream out(dump);
        for (const Captured& page : pages) {
            out << page.name;
            for (const std::uint8_t byte : packLook(page.look))
                out << ' ' << int{byte};
            out << '\n';
        }
    }

    // Each query with its known look-alikes, by kind: a hit is one of them among the first 5.
    struct Query {
        std::size_t page;
        std::vector<std::size_t> lookAlikes;
    };
    std::map<std::string, std::vector<Query>> kinds;
    const auto g = [&](int layout, int scheme, int later) {
        return index.at("/g" + std::to_string(layout) + "-" + std::to_string(scheme) + "-" +
                        std::to_string(later));
    };
    for (int layout = 0; layout < 10; ++layout)
        for (int scheme = 0; scheme < 8; ++scheme) {
            Query otherColours{g(layout, scheme, 0), {}}, otherLayout{g(layout, scheme, 0), {}};
            for (int later = 0; later < 2; ++later) {
                for (int other = 0; other < 8; ++other)
                    if (other != scheme)
                        otherColours.lookAlikes.push_back(g(layout, other, later));
                for (int other = 0; other < 10; ++other)
                    if (other != layout)
                        otherLayout.lookAlikes.push_back(g(other, scheme, later));
            }
            kinds["same layout, other colours"].push_back(otherColours);
            kinds["same colours, other layout"].push_back(otherLayout);
            kinds["the same page another day"].push_back(
                {g(layout, scheme, 0), {g(layout, scheme, 1)}});
        }
    for (std::size_t c = 0; c < files.size(); ++c) {
        const auto r = [&](int variant) {
            return index.at("/r" + std::to_string(c) + "-" + std::to_string(variant));
        };
        kinds["real: the same chapter another day"].push_back({r(0), {r(1)}});
        kinds["real: the chapter in a dark theme"].push_back({r(0), {r(2)}});
    }

    std::vector<std::pair<std::string, FirstFive>> measures;
    measures.emplace_back("average colour (baseline)",
                          nearestBy(pages, [](const LookSignature& a, const LookSignature& b) {
                              return NearnessTo(a)(b).colour;
                          }));
    for (const double layout : {0.0, 0.2, 0.4, 0.5, 0.6, 0.7, 0.75, 0.8, 0.9, 1.0}) {
        const LookWeights weights{layout, 1 - layout};
        char name[64];
        std::snprintf(name, sizeof name, "layout %.2f + structure %.2f", weights.layout,
                      weights.structure);
        measures.emplace_back(
            name, nearestBy(pages, [weights](const LookSignature& a, const LookSignature& b) {
                return lookDistance(a, b, weights);
            }));
    }
    measures.emplace_back("Quillet (every fifth by colour)", quilletsOrder(pages));

    std::printf(
        "== Recall@5 over %zu captured pages (%zu queries)\n", pages.size(),
        std::accumulate(kinds.begin(), kinds.end(), std::size_t{0},
                        [](std::size_t n, const auto& kind) { return n + kind.second.size(); }));
    std::printf("%-36s", "measure");
    for (const auto& [kind, pairs] : kinds)
        std::printf(" | %s (%zu)", kind.c_str(), pairs.size());
    std::printf(" | all\n");
    for (const auto& [name, firstFive] : measures) {
        std::printf("%-36s", name.c_str());
        std::size_t hits = 0, all = 0;
        for (const auto& [kind, pairs] : kinds) {
            std::size_t found = 0;
            for (const Query& query : pairs)
                found += std::ranges::any_of(firstFive(query.page), [&](std::size_t shown) {
                    return std::ranges::find(query.lookAlikes, shown) != query.lookAlikes.end();
                });
            std::printf(" | %*.2f", static_cast<int>(kind.size() + 5),
                        double(found) / pairs.size());
            hits += found;
            all += pairs.size();
        }
        std::printf(" | %.2f\n", double(hits) / all);
    }
    return 0;
}

// ---- figures over a kept history ----

void signatures(const std::string& kept) {
    HistoryStore store(kept + "/history.sqlite", test::keyringSeal());
    std::vector<PackedImage> thumbnails;
    for (StoredEntry& entry : store.newest(1000, true))
        thumbnails.push_back(std::move(entry.thumbnail));
    std::vector<double> whole, lookOnly;
    for (const PackedImage& thumbnail : thumbnails) {
        auto start = SteadyClock::now();
        const auto picture = unpackThumbnail(thumbnail);
        const double unpacked = since(start);
        start = SteadyClock::now();
        lookOf({picture->get_pixels(), picture->get_width(), picture->get_height(),
                picture->get_rowstride(), picture->get_n_channels()});
        lookOnly.push_back(since(start));
        whole.push_back(unpacked + lookOnly.back());
    }
    row("signature of a thumbnail (median)", median(lookOnly), "ms");
    row("signature of a thumbnail (largest)", largest(lookOnly), "ms");
    row("  with the PNG unpacked first (median)", median(whole), "ms");
}

// Runs on the worker: how many stored thumbnails still have no look.
std::int64_t unseenCount(const std::string& file) {
    Database db(file, false, test::keyringSeal()->name());
    Statement count = db.prepare("SELECT count(*) FROM pages p WHERE thumbnail IS NOT NULL AND "
                                 "NOT EXISTS (SELECT 1 FROM looks WHERE page = p.id)");
    count.step();
    return count.integer(0);
}

void move(const std::string& kept) {
    // On the file itself: the scenarios after this one need its looks.
    const std::string file = kept + "/history.sqlite";
    {
        Database db(file, false, test::keyringSeal()->name());
        db.execute("DELETE FROM looks");
    }
    const std::int64_t unseen = unseenCount(file);
    const auto start = SteadyClock::now();
    HistoryKeeper keeper(kept, true);
    HistoryKeeper::Requests requests;
    std::vector<double> answers;
    // A search every 100 ms while the looks are worked out, as a user typing would.
    const char* words[] = {"パッケージ", "設定", "カーネル", "ネットワーク"};
    for (int n = 0;; ++n) {
        bool answered = false;
        const auto asked = SteadyClock::now();
        keeper.search(words[n % 4], 50, requests, [&](std::vector<SearchHit>) { answered = true; });
        pumpUntil([&] { return answered; }, 60s);
        answers.push_back(since(asked));
        pumpFor(100ms);
        if (n % 20 == 19 && unseenCount(file) == 0)
            break;
    }
    const double took = pumpUntilKeeperIdle(keeper, start);
    row("move: looks of " + std::to_string(unseen) + " thumbnails worked out", took / 1000, "s");
    row("move: searches answered meanwhile (" + std::to_string(answers.size()) + "), median",
        median(answers), "ms");
    row("move: the slowest of them", largest(answers), "ms");
}

void similar(const std::string& kept) {
    HistoryStore store(kept + "/history.sqlite", test::keyringSeal());
    const auto entries = store.newest(2000, false);
    auto start = SteadyClock::now();
    const auto first = store.nearest(*store.lookOf(entries[0].address), 50);
    row("similar: the signatures read into memory (once a run)", since(start), "ms");
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        const auto look = store.lookOf(entries[static_cast<std::size_t>(i * 97)].address);
        start = SteadyClock::now();
        store.nearest(*look, 50);
        times.push_back(since(start));
    }
    row("similar: the 50 nearest of " + std::to_string(store.pageCount()) + " (median)",
        median(times), "ms");

    HistoryKeeper keeper(kept, true);
    HistoryKeeper::Requests requests;
    const auto ask = [&](const std::string& address) {
        bool answered = false;
        const auto asked = SteadyClock::now();
        keeper.similar(address, 50, requests, [&](std::vector<SearchHit>) { answered = true; });
        pumpUntil([&] { return answered; }, 60s);
        return since(asked);
    };
    ask(entries[0].address); // reads the signatures
    times.clear();
    for (int i = 0; i < 21; ++i)
        times.push_back(ask(entries[static_cast<std::size_t>(i * 89)].address));
    row("similar: asked of the worker, answer on the window (median)", median(times), "ms");
}

void chips(const std::string& kept) {
    HistoryStore store(kept + "/history.sqlite", test::keyringSeal());
    for (const char* typed : {"設定", "パッケージ", "ネットワーク の"}) {
        for (const ColourChips chip : {ColourChips{0}, chipBit(ColourChip::White),
                                       chipBit(ColourChip::Green), chipBit(ColourChip::Black)}) {
            std::vector<double> times;
            std::size_t found = 0;
            for (int i = 0; i < 21; ++i) {
                const auto start = SteadyClock::now();
                found = store.search(HistoryFilter{typed, chip}, 50).size();
                times.push_back(since(start));
            }
            std::string chipText = "no chip";
            for (int c = 0; c < kColourChipCount; ++c)
                if (chip == chipBit(static_cast<ColourChip>(c)))
                    chipText = std::string(chipName(static_cast<ColourChip>(c)));
            row(std::string("chips: \"") + typed + "\" + " + chipText + ", " +
                    std::to_string(found) + " found (median)",
                median(times), "ms");
        }
    }
}

void timeline(const std::string& kept) {
    Copy copy(kept);
    auto browser = openFull(copy);
    const long before = residentKiB();
    // The first day's pictures that are in view, all drawn.
    const char* firstDayShown =
        "(() => { const d = document.querySelector('section.day'); if (!d) return false;"
        " const shown = [...d.querySelectorAll('img')].filter(i => i.getBoundingClientRect().top < "
        "innerHeight);"
        " return shown.length > 0 && shown.every(i => i.complete && i.naturalWidth > 0); })()";
    const auto pressed = SteadyClock::now();
    browser->pane().openTimeline();
    while (browser->pageScript(std::string("location.href.startsWith('quillet://history') && ") +
                               firstDayShown) != "true" &&
           since(pressed) < 20000)
        pumpFor(2ms);
    row("timeline: Ctrl+Shift+H to the first day's pictures", since(pressed), "ms");

    // Timed in the page itself (a script of the bench's own watches for the new day and its
    // pictures in view), so that asking the page how far it is does not slow it down.
    const char* scrollAndWatch = R"js(
      window.dayTimes = null;
      const start = performance.now();
      const before = document.querySelectorAll('section.day').length;
      new MutationObserver((changes, watcher) => {
        const days = document.querySelectorAll('section.day');
        if (days.length <= before) return;
        watcher.disconnect();
        const arrived = performance.now() - start;
        const shown = [...days[days.length - 1].querySelectorAll('img')]
          .filter(i => i.getBoundingClientRect().top < innerHeight);
        let left = shown.filter(i => !i.complete).length;
        const drawn = () => requestAnimationFrame(() => {
          window.dayTimes = [arrived, performance.now() - start]; });
        if (left === 0) drawn();
        for (const picture of shown)
          if (!picture.complete)
            picture.addEventListener('load', () => { if (--left === 0) drawn(); });
      }).observe(document.querySelector('main'), {childList: true});
      document.getElementById('more').scrollIntoView();
      true)js";
    std::vector<double> days, sections;
    for (int day = 0; day < 30; ++day) {
        browser->pageScript(scrollAndWatch);
        std::string times;
        for (int wait = 0;
             wait < 2000 && (times = browser->pageScript("String(window.dayTimes)")) == "null";
             ++wait)
            pumpFor(20ms);
        const auto comma = times.find(',');
        if (comma == std::string::npos)
            break;
        sections.push_back(std::stod(times.substr(0, comma)));
        days.push_back(std::stod(times.substr(comma + 1)));
    }
    row("timeline: a day scrolled in, its section there (median)", median(sections), "ms");
    row("timeline: a day scrolled in, its pictures drawn (median)", median(days), "ms");
    row("timeline: the slowest day", largest(days), "ms");
    pumpFor(1s);
    row("timeline: the UI process after 30 days scrolled in", (residentKiB() - before) / 1024.0,
        "MiB more");
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::cerr << "usage: look_bench quality | look_bench FOLDER [signature|move|similar|chips|"
                     "timeline ...]\n";
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    chooseWebRendering();
    auto app = Gtk::Application::create("org.quillet.LookBench", Gio::APPLICATION_NON_UNIQUE);
    if (std::string(argv[1]) == "quality")
        return quality();
    const std::string kept = argv[1];
    const std::vector<std::string> chosen(argv + 2, argv + argc);
    const auto runs = [&](const char* scenario) {
        return chosen.empty() || std::ranges::find(chosen, scenario) != chosen.end();
    };
    std::printf("== Finding by look over %lld kept pages\n",
                static_cast<long long>(
                    HistoryStore(kept + "/history.sqlite", test::keyringSeal()).pageCount()));
    if (runs("move")) // first: the others need every look worked out
        move(kept);
    if (runs("signature"))
        signatures(kept);
    if (runs("similar"))
        similar(kept);
    if (runs("chips"))
        chips(kept);
    if (runs("timeline"))
        timeline(kept);
    return 0;
}
