// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include <cstdlib>
#include <ctime>

#include "HandlerFailures.h"
#include "MutterInput.h"
#include "PixelCopy.h"

#include <filesystem>
#include <fstream>
#include <gdk/gdk.h>
#include <glibmm/exceptionhandler.h>
#include <glibmm/main.h>
#include <gtkmm/messagedialog.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace quillet::test {

std::chrono::system_clock::time_point localTimeAt(int year, int month, int day, int hour,
                                                  int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto context = Glib::MainContext::get_default();
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        if (!context->iteration(false))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void pumpFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    pumpUntil([&] { return std::chrono::steady_clock::now() >= end; }, duration * 2);
}

void pumpPending() {
    while (Glib::MainContext::get_default()->iteration(false)) {
    }
}

bool onWayland() {
    return std::string(G_OBJECT_TYPE_NAME(gdk_display_get_default())) == "GdkWaylandDisplay";
}

void clickWithPointer(Gtk::Widget& widget, int x, int y) {
    Gtk::Widget& toplevel = *widget.get_toplevel();
    int originX = 0, originY = 0, inToplevelX = 0, inToplevelY = 0;
    toplevel.get_window()->get_origin(originX, originY);
    widget.translate_coordinates(toplevel, x, y, inToplevelX, inToplevelY);
    const std::string command = "xdotool mousemove " + std::to_string(originX + inToplevelX) + " " +
                                std::to_string(originY + inToplevelY) + " click 1";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("xdotool could not click");
}

void clickWithPointer(Gtk::Widget& widget) {
    clickWithPointer(widget, widget.get_allocated_width() / 2, widget.get_allocated_height() / 2);
}

namespace {

void runXdotool(const std::string& arguments) {
    if (std::system(("xdotool " + arguments).c_str()) != 0)
        throw std::runtime_error("xdotool failed: " + arguments);
    pumpFor(std::chrono::milliseconds(100)); // let the window take the events in
}

} // namespace

void pressKeys(const std::string& keys) {
    if (underMutter())
        mutterInput().pressKeys(keys);
    else
        runXdotool("key --delay 30 " + keys);
}

void typeText(const std::string& text) {
    if (underMutter())
        mutterInput().typeText(text);
    else
        runXdotool("type --delay 30 '" + text + "'");
}

bool haveJapaneseInputMethod() {
    const char* method = std::getenv("QUILLET_TEST_INPUT_METHOD");
    return method && std::string(method) == "mozc" && !onWayland();
}

void typeThroughInputMethod(const std::string& text) {
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
        char code[16];
        std::snprintf(code, sizeof code, "%x", g_utf8_get_char(p));
        pressKeys("ctrl+shift+u");
        typeText(code);
        pressKeys("space");
    }
}

void typeWithInputMethod(const std::string& romaji) {
    // The input method answers each key in its own time: each step waits for the last one's
    // answer to be drawn, as a person looks before the next key.
    const auto step = [](const std::function<void()>& keys) {
        keys();
        pumpFor(std::chrono::milliseconds(400));
    };
    step([] { pressKeys("Zenkaku_Hankaku"); });
    step([&] { typeText(romaji); });
    step([] { pressKeys("space"); });
    step([] { pressKeys("Return"); });
    step([] { pressKeys("Zenkaku_Hankaku"); });
}

void pressAsTheUser(Gtk::Button& button) {
    if (underMutter())
        mutterInput().click(button, button.get_allocated_width() / 2,
                            button.get_allocated_height() / 2);
    else if (onWayland())
        button.clicked(); // weston activates every new window
    else
        clickWithPointer(button);
}

void saveScreenshot(Gtk::Window& window, const std::string& name) {
    const char* folder = std::getenv("QUILLET_TEST_SCREENSHOTS");
    if (!folder)
        return;
    const char* display = std::getenv("QUILLET_TEST_DISPLAY");
    const int width = window.get_allocated_width(), height = window.get_allocated_height();
    copyAndShrink(window, {0, 0, width, height}, width, height, 0xFFFFFF)
        ->save(std::string(folder) + "/" + name + "-" + (display ? display : "x11-wm") + ".png",
               "png");
}

std::map<int, std::string> descendantProcesses() {
    std::map<int, int> parentOf;
    std::map<int, std::string> nameOf;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const int pid = std::atoi(entry.path().filename().c_str());
        if (pid <= 0)
            continue;
        const std::string stat = readFile(entry.path().string() + "/stat");
        const auto open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        nameOf[pid] = stat.substr(open + 1, close - open - 1);
        parentOf[pid] = std::atoi(stat.c_str() + close + 4);
    }
    std::map<int, std::string> below;
    for (const auto& [pid, name] : nameOf)
        for (int up = parentOf[pid]; up > 1; up = parentOf.count(up) ? parentOf[up] : 0)
            if (up == getpid()) {
                below[pid] = name;
                break;
            }
    return below;
}

namespace {

struct Answering {
    std::vector<std::string>* texts;
    int response;
};

gboolean answerOpenBoxes(gpointer data) {
    const auto* answering = static_cast<Answering*>(data);
    for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
        auto* box = dynamic_cast<Gtk::MessageDialog*>(window);
        if (box && box->get_visible()) {
            answering->texts->push_back(box->property_text().get_value());
            box->response(answering->response);
        }
    }
    return G_SOURCE_CONTINUE;
}

} // namespace

namespace {
bool programReportsFailures = false;
} // namespace

ProgramReportsFailures::ProgramReportsFailures(Gtk::Window& window)
    : handler_(Glib::add_exception_handler([&window] { reportHandlerFailure(window); })) {
    programReportsFailures = true;
}

ProgramReportsFailures::~ProgramReportsFailures() {
    handler_.disconnect();
    programReportsFailures = false;
}

bool ProgramReportsFailures::active() {
    return programReportsFailures;
}

MessageBoxAnswerer::MessageBoxAnswerer(int response) : response_(response) {
    source_ = g_timeout_add_full(G_PRIORITY_DEFAULT, 50, answerOpenBoxes,
                                 new Answering{&texts_, response_},
                                 [](gpointer data) { delete static_cast<Answering*>(data); });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    g_source_remove(source_);
}

void installSchemeHandler(const std::string& scheme, const std::string& name,
                          const std::string& record) {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (!data)
        throw std::runtime_error("no XDG_DATA_HOME of the test's own");
    const std::string entry = "quillet-test-" + scheme + ".desktop";
    writeFile(std::string(data) + "/applications/" + entry,
              "[Desktop Entry]\nType=Application\nName=" + name + "\nMimeType=x-scheme-handler/" +
                  scheme + ";\nExec=sh -c 'echo \"$1\" >> " + record + "' sh %u\n");
    writeFile(std::string(data) + "/applications/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/" + scheme + "=" + entry + "\n");
}

} // namespace quillet::test
