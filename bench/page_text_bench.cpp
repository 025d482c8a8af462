// SPDX-License-Identifier: MIT
// The page-text step of a visit, on real and form-heavy pages in a real window: the round trip
// of PageView::TakeText (the text read in the page's process, with the look for secret fields,
// and the facts of the response), and the look for secret fields alone, timed in the page.
// usage: page_text_bench [PART]   (under Xvfb; needs debian-reference-ja for the real pages)
//   PART: only the pages whose path holds it (such as "form")

#include "BrowserHarness.h"
#include "LocalHttpServer.h"
#include "PageMessages.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtkmm/application.h>
#include <webkit2/webkit2.h>

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kReference = "/usr/share/debian-reference";
constexpr int kRounds = 31;

using Milliseconds = std::chrono::duration<double, std::milli>;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A sign-up page of many fields, with frames of the same site that hold more.
std::string formHeavyPage() {
    std::string page = "<title>form</title><form>";
    for (int n = 0; n < 500; ++n)
        page += "<label>項目" + std::to_string(n) + " <input name=f" + std::to_string(n) +
                " autocomplete=off></label>";
    page += "</form>";
    for (int n = 0; n < 10; ++n)
        page += "<iframe srcdoc='<input><input><select><option>a</select>'></iframe>";
    return page + "<input type=password>";
}

double takeTextMs(BrowserHarness& browser) {
    std::vector<double> times;
    for (int n = 0; n < kRounds; ++n) {
        bool done = false;
        const auto start = std::chrono::steady_clock::now();
        browser->brwWebBrowser.TakeText([&](PageContent) { done = true; });
        pumpUntil([&] { return done; });
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start).count());
    }
    return median(times);
}

// The same look the extension runs, timed in the page itself (its main world).
double secretLookMs(BrowserHarness& browser) {
    // The page's clock is coarse: many looks, timed together.
    const std::string script = std::string("(() => { const look = () => ") +
                               page_messages::kSecretFieldScript +
                               "; const start = performance.now();"
                               " for (let n = 0; n < 500; ++n) look();"
                               " return (performance.now() - start) / 500; })()";
    auto* view = WEBKIT_WEB_VIEW(browser->brwWebBrowser.Widget().gobj());
    double result = -1;
    bool done = false;
    struct Answer {
        double* result;
        bool* done;
    } answer{&result, &done};
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            auto* answer = static_cast<Answer*>(data);
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(
                    WEBKIT_WEB_VIEW(source), res, nullptr)) {
                *answer->result = jsc_value_to_double(value);
                g_object_unref(value);
            }
            *answer->done = true;
        },
        &answer);
    pumpUntil([&] { return done; });
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    auto app = Gtk::Application::create(argc, argv, "org.quillet.PageTextBench");
    LocalHttpServer server;
    std::vector<std::string> paths;
    if (fs::exists(kReference))
        for (const auto& entry : fs::directory_iterator(kReference))
            if (entry.path().string().ends_with(".ja.html")) {
                std::ifstream in(entry.path());
                paths.push_back("/" + entry.path().filename().string());
                server.add(paths.back(), LocalHttpServer::htmlPage(std::string(
                                             (std::istreambuf_iterator<char>(in)), {})));
            }
    std::sort(paths.begin(), paths.end());
    server.add("/form", LocalHttpServer::htmlPage(formHeavyPage()));
    paths.push_back("/form");
    if (argc > 1)
        std::erase_if(paths, [part = std::string(argv[1])](const std::string& path) {
            return path.find(part) == std::string::npos;
        });

    BrowserHarness browser;
    browser.waitForPageShown();
    std::vector<double> round, look;
    std::printf("%-36s %14s %14s\n", "page", "TakeText ms", "look ms");
    for (const std::string& path : paths) {
        browser.navigateAndWait(server.url(path));
        round.push_back(takeTextMs(browser));
        look.push_back(secretLookMs(browser));
        std::printf("%-36s %14.2f %14.3f\n", path.c_str(), round.back(), look.back());
    }
    std::printf("%-36s %14.2f %14.3f\n", "median of the pages", median(round), median(look));
    return 0;
}
