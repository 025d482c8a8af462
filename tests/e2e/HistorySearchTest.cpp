// SPDX-License-Identifier: MIT
// The history pane with real entries: reopening, the tooltip, and the search by the
// beginning of an address.

#include "BrowserHarness.h"
#include "LocalHttpServer.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

void sendKey(Gtk::Widget& widget, guint keyval) {
    GdkEvent* press = gdk_event_new(GDK_KEY_PRESS);
    press->key.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
    press->key.keyval = keyval;
    gdk_event_set_device(
        press, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(widget.gobj(), press);
    gdk_event_free(press);
}

void sendDoubleClick(Gtk::TreeView& tree, int x, int y) {
    GdkEvent* press = gdk_event_new(GDK_2BUTTON_PRESS);
    press->button.window = GDK_WINDOW(g_object_ref(tree.get_bin_window()->gobj()));
    press->button.button = 1;
    press->button.x = x;
    press->button.y = y;
    gdk_event_set_device(
        press, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    gtk_widget_event(GTK_WIDGET(tree.gobj()), press);
    gdk_event_free(press);
}

// History after SetUp: 1 home, 2 http://127.0.0.1:P/, 3 .../a, 4 http://localhost:P/, 5 .../b.
class HistorySearch : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/", LocalHttpServer::solidPage("Top", "#FFFFFF"));
        server.add("/a", LocalHttpServer::solidPage("A", "#EEEEEE"));
        server.add("/b", LocalHttpServer::solidPage("B", "#DDDDDD"));
        browser.waitForPageShown();
        for (const std::string& address :
             {server.url("/"), server.url("/a"), server.url("/", "localhost"), server.url("/b")})
            browser.navigateAndWait(address);
        ASSERT_EQ(browser.entryCount(), 5);
        host = "127.0.0.1:" + std::to_string(server.port());
    }

    void search(const std::string& text) {
        browser.typeAddress(text);
        browser->Image3.clicked();
        pumpPending();
    }
    void escapeInPane() {
        sendKey(browser.historyList(), GDK_KEY_Escape);
        pumpPending();
    }
    int selected() { return browser.selectedEntry().value_or(0); }
    bool paneFocused() { return browser.historyFocused(); }
    bool addressFocused() { return browser->cboAddress.has_focus(); }

    LocalHttpServer server;
    BrowserHarness browser;
    std::string host;
};

} // namespace

TEST_F(HistorySearch, ABareHostFindsTheFirstEntryAndFocusesThePane) {
    search(host);
    EXPECT_EQ(selected(), 2);
    EXPECT_TRUE(paneFocused());
    EXPECT_EQ(browser.historyTooltip(), "Top - " + server.url("/"));
    EXPECT_EQ(browser.addressText(), host); // the address box keeps what was typed
}

TEST_F(HistorySearch, EscapeInThePaneStepsThroughTheMatchesThenReturnsToTheAddressBox) {
    search(host);
    ASSERT_EQ(selected(), 2);
    escapeInPane();
    EXPECT_EQ(selected(), 3);
    escapeInPane();
    EXPECT_EQ(selected(), 5); // localhost does not begin with the search text
    EXPECT_TRUE(paneFocused());
    escapeInPane();
    EXPECT_EQ(selected(), 5);
    EXPECT_TRUE(addressFocused());
}

TEST_F(HistorySearch, EscapeInTheAddressBoxSearchesTheWholeHistory) {
    browser.selectEntry(4);
    browser.typeAddress(server.url("/a"));
    sendKey(browser->cboAddress, GDK_KEY_Escape);
    pumpPending();
    EXPECT_EQ(selected(), 3);
    EXPECT_FALSE(browser->timTimerEnabled()); // and does not navigate
}

TEST_F(HistorySearch, TextsThatFindNothingFocusTheAddressBox) {
    for (const std::string& text :
         {"HTTP://" + host, "https://" + host, "x" + server.url("/"), host + "/zzz"}) {
        browser.selectEntry(3);
        browser.focusHistory();
        search(text);
        EXPECT_EQ(selected(), 3) << text;
        EXPECT_TRUE(addressFocused()) << text;
    }
}

TEST_F(HistorySearch, AnEmptyBoxFindsTheFirstHttpEntry) {
    search("");
    EXPECT_EQ(selected(), 2); // entry 1 is the built-in home page
}

TEST_F(HistorySearch, FullFindsTheSelectedFirstMatchAndCursorStopsAtTheEnd) {
    browser.selectEntry(2);
    search(host);
    EXPECT_EQ(selected(), 2);

    browser.selectEntry(5);
    browser.typeAddress(host);
    browser.focusHistory();
    escapeInPane(); // nothing after the last entry
    EXPECT_EQ(selected(), 5);
    EXPECT_TRUE(addressFocused());
}

TEST_F(HistorySearch, DoubleClickAndEnterReopenTheSelectedEntryWithoutANewOne) {
    browser.selectEntry(3);
    browser.loadAndWait([&] { sendDoubleClick(browser.historyList(), 5, 5000); });
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/a"));

    browser.selectEntry(2);
    browser.focusHistory();
    browser.loadAndWait([&] { sendKey(browser.historyList(), GDK_KEY_Return); });
    EXPECT_EQ(browser->brwWebBrowser.LocationURL(), server.url("/"));
    EXPECT_EQ(browser.entryCount(), 5);
    EXPECT_EQ(server.requestCount("/a"), 2);
}

TEST_F(HistorySearch, TheTooltipNamesTheSelectedEntryWhileThePaneHasFocus) {
    browser.selectEntry(3);
    browser.focusHistory();
    pumpPending();
    EXPECT_EQ(browser.historyTooltip(), "A - " + server.url("/a"));
    EXPECT_TRUE(browser.historyList().get_has_tooltip());
    browser->cboAddress.grab_focus();
    pumpPending();
    EXPECT_EQ(browser.historyTooltip(), "");
    EXPECT_FALSE(browser.historyList().get_has_tooltip());
}

TEST(HistoryPaneEmpty, HandlersDoNoHarmWithoutEntries) {
    TempFolder config;
    frmBrowser window{SettingsStore(config.path())};
    window.show();
    // The home page has not been captured yet: the history is empty.
    ASSERT_EQ(window.ListView1.count(), 0);
    window.ListView1_DblClick();
    window.ListView1_KeyPress(kKeyEnter);
    window.ListView1_GotFocus();
    EXPECT_EQ(window.ListView1.toolTipText(), "");
    window.ListView1_KeyPress(kKeyEscape);
    EXPECT_EQ(window.ListView1.count(), 0);
    pumpUntil([&] { return window.cboAddress.has_focus(); }, 2000ms);
    EXPECT_TRUE(window.cboAddress.has_focus());
    EXPECT_NE(window.brwWebBrowser.LocationURL(), "");
    EXPECT_EQ(window.brwWebBrowser.LocationURL(), kHomeAddress); // nothing else was opened
}

namespace {

// Runs the accessible "toggle" of the check box in the first column of `row` (0-based).
bool toggleThroughAccessibility(Gtk::TreeView& tree, int row) {
    AtkObject* table = gtk_widget_get_accessible(GTK_WIDGET(tree.gobj()));
    AtkObject* cell = atk_table_ref_at(ATK_TABLE(table), row, 0);
    bool done = false;
    const int parts = atk_object_get_n_accessible_children(cell);
    for (int i = 0; i < parts && !done; ++i) {
        AtkObject* part = atk_object_ref_accessible_child(cell, i);
        if (ATK_IS_ACTION(part))
            for (int a = 0; a < atk_action_get_n_actions(ATK_ACTION(part)); ++a)
                if (std::string(atk_action_get_name(ATK_ACTION(part), a)) == "toggle")
                    done = atk_action_do_action(ATK_ACTION(part), a);
        g_object_unref(part);
    }
    g_object_unref(cell);
    return done;
}

} // namespace

TEST_F(HistorySearch, CheckBoxesToggleByMouseSpaceAndAccessibleAction) {
    Gtk::TreeView& tree = browser.historyList();
    // The mouse: a real click on the check box of the second row.
    tree.scroll_to_row(Gtk::TreeModel::Path("1"));
    ASSERT_TRUE(pumpUntil([&] {
        Gtk::TreeModel::Path first, last;
        return tree.get_visible_range(first, last) && first <= Gtk::TreeModel::Path("1") &&
               Gtk::TreeModel::Path("1") <= last;
    }));
    Gdk::Rectangle cell;
    tree.get_cell_area(Gtk::TreeModel::Path("1"), *tree.get_column(0), cell);
    int originX = 0, originY = 0;
    tree.get_bin_window()->get_origin(originX, originY);
    const std::string click = "xdotool mousemove " + std::to_string(originX + cell.get_x() + 10) +
                              " " + std::to_string(originY + cell.get_y() + cell.get_height() / 2) +
                              " click 1";
    ASSERT_EQ(std::system(click.c_str()), 0);
    ASSERT_TRUE(pumpUntil([&] { return browser.entry(2).checked; }, 3s));

    // The space key on the selected entry.
    browser.selectEntry(3);
    browser.focusHistory();
    sendKey(tree, GDK_KEY_space);
    EXPECT_TRUE(browser.entry(3).checked);
    sendKey(tree, GDK_KEY_space);
    EXPECT_FALSE(browser.entry(3).checked);

    // A screen reader's "toggle".
    ASSERT_TRUE(toggleThroughAccessibility(tree, 3));
    EXPECT_TRUE(pumpUntil([&] { return browser.entry(4).checked; }));
    EXPECT_FALSE(browser.entry(1).checked);
    EXPECT_FALSE(browser.entry(5).checked);
}
