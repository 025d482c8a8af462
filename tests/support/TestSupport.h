// SPDX-License-Identifier: MIT
#pragma once
// What the window tests share: running the main loop until something happens, the process
// tree, and answering the program's message boxes (and the file helpers of TestFiles.h).

#include "TestFiles.h"

#include <chrono>
#include <functional>
#include <gtk/gtk.h>
#include <gtkmm/button.h>
#include <gtkmm/widget.h>
#include <gtkmm/window.h>
#include <map>
#include <string>
#include <vector>

namespace quillet::test {

// A moment in the local time zone (daylight saving as it is on that day).
std::chrono::system_clock::time_point localTimeAt(int year, int month, int day, int hour,
                                                  int minute, int second = 0);

// Runs the main loop until `done` holds or `timeout` passes; returns whether it held.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));
void pumpFor(std::chrono::milliseconds duration);
// Runs the main loop until nothing in it is ready to run.
void pumpPending();

// Whether the windows are on a Wayland compositor rather than an X server.
bool onWayland();

// A real pointer click (XTest, through xdotool) at a point of `widget`, in its own pixels, or
// at its centre. X11 only: a Wayland client cannot learn where its windows are.
void clickWithPointer(Gtk::Widget& widget, int x, int y);
void clickWithPointer(Gtk::Widget& widget);

// Presses `button` with one real click, as the user does: through XTest on X11, through
// mutter's remote-desktop pointer under mutter. Under weston, where a client cannot learn where
// its window is to aim the pointer, the button is pressed directly (weston activates every new
// window anyway).
void pressAsTheUser(Gtk::Button& button);

// Real key events to the window that has the keyboard focus: `keys` as xdotool names them
// ("ctrl+l", "Return"), or `text` typed one key at a time. Through XTest (xdotool) on an X
// server, and under weston on the X server it runs on; under mutter, through its
// remote-desktop session.
void pressKeys(const std::string& keys);
void typeText(const std::string& text);

// Whether the session has a Japanese input method (IBus with Mozc, under the window manager).
bool haveJapaneseInputMethod();
// Types Japanese as its users do with Mozc, into the focused field: Japanese input turned on
// (Zenkaku_Hankaku), the reading in romaji, Space to convert it, Return to commit the first
// candidate, and Japanese input turned off again.
void typeWithInputMethod(const std::string& romaji);
// Types text as a user without a Japanese keyboard layout does: each character through the
// input method, by its code (Ctrl+Shift+U, the code, then Space to confirm).
void typeThroughInputMethod(const std::string& text);

// With QUILLET_TEST_SCREENSHOTS set to a folder, the window as it draws itself is saved there
// as NAME-<display>.png, for a person to look at; otherwise nothing happens.
void saveScreenshot(Gtk::Window& window, const std::string& name);

// The processes below this one, at any depth (WebKit's web and network processes, also when
// they run inside a sandbox), by PID with their names.
std::map<int, std::string> descendantProcesses();

// Installs, in this session's XDG_DATA_HOME, the desktop's default application for `scheme`:
// named `name`, it writes each address it is given as a line at the end of `record`.
void installSchemeHandler(const std::string& scheme, const std::string& name,
                          const std::string& record);

// While alive, a handler failure that reaches the signal boundary is reported the program's
// own way (on stderr and in a message box over `window`) rather than failing the test.
class ProgramReportsFailures {
  public:
    explicit ProgramReportsFailures(Gtk::Window& window);
    ~ProgramReportsFailures();
    static bool active();

  private:
    sigc::connection handler_;
};

// While alive, answers every message box the program shows with `response` (OK, or a
// question's answer such as Gtk::RESPONSE_YES) and keeps its text.
class MessageBoxAnswerer {
  public:
    explicit MessageBoxAnswerer(int response = GTK_RESPONSE_OK);
    ~MessageBoxAnswerer();
    const std::vector<std::string>& texts() const { return texts_; }

  private:
    std::vector<std::string> texts_;
    int response_;
    unsigned source_ = 0;
};

} // namespace quillet::test
