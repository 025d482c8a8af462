// SPDX-License-Identifier: MIT
// A dialog the user opens with one click, or with Enter on the focused button, has the focus
// at once: it carries the time of that click or key, so a window manager that prevents focus
// stealing hands it the focus, and the user's typing goes to it rather than the main window.

#include "BrowserHarness.h"
#include "Form1.h"
#include "Form2.h"

#include <cstdio>
#include <gtest/gtest.h>

// After gtest: X11's headers define None, a name gtest uses.
#include <gdk/gdkx.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

// The X window xdotool reports as active, in decimal as it prints it.
std::string activeWindowByXdotool() {
    std::string id;
    if (FILE* pipe = popen("xdotool getactivewindow", "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, pipe))
            id = line;
        pclose(pipe);
    }
    return id.substr(0, id.find('\n'));
}

void expectActive(Gtk::Window& dialog) {
    EXPECT_TRUE(pumpUntil([&] { return dialog.is_active(); }, 3s))
        << dialog.get_title() << " did not get the focus";
    if (!onWayland()) {
        EXPECT_EQ(activeWindowByXdotool(),
                  std::to_string(gdk_x11_window_get_xid(dialog.get_window()->gobj())));
    }
}

} // namespace

TEST(DialogFocus, TheSizeDialogTakesTheFocusAndTheTypingFromOneClick) {
    BrowserHarness browser;
    browser.waitForPageShown();
    const std::string address = browser.addressText();
    ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
    pressAsTheUser(browser->Image4);
    ASSERT_TRUE(pumpUntil([&] { return browser->thumbnailSizeDialog() != nullptr; }));
    Form1& dialog = *browser->thumbnailSizeDialog();
    ASSERT_TRUE(pumpUntil([&] { return dialog.get_mapped(); }));
    expectActive(dialog);

    // Tab from the first control (OK) to the first field, which selects its text, and type.
    pressKeys("Tab Tab Tab Tab");
    EXPECT_TRUE(pumpUntil([&] { return dialog.Text1.has_focus(); }, 2s));
    typeText("77");
    EXPECT_TRUE(pumpUntil([&] { return dialog.Text1.get_text() == "77"; }, 2s))
        << dialog.Text1.get_text();
    EXPECT_EQ(browser.addressText(), address);
}

TEST(DialogFocus, TheExportDialogTakesTheFocusFromOneClick) {
    BrowserHarness browser;
    browser.waitForPageShown();
    ASSERT_TRUE(pumpUntil([&] { return browser->is_active(); }, 5s));
    pressAsTheUser(browser->Image5);
    ASSERT_TRUE(pumpUntil([&] { return browser->exportDialog() != nullptr; }));
    Gtk::Window& dialog = *browser->exportDialog();
    ASSERT_TRUE(pumpUntil([&] { return dialog.get_mapped(); }));
    expectActive(dialog);
}
