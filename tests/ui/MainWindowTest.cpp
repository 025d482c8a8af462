// SPDX-License-Identifier: MIT
// The main window as it opens: every control where the window declares it, with its texts,
// tooltips, colours and accessible names.

#include "BrowserHarness.h"
#include "PixelCopy.h"
#include "ScreenMetrics.h"
#include "ThumbnailCodec.h"

#include <algorithm>
#include <atkmm/object.h>
#include <gtest/gtest.h>
#include <gtkmm/settings.h>

using namespace quillet;
using namespace quillet::test;

namespace {

struct PixelBox {
    int x, y, width, height;
};

// Where the widget really is inside the window, in pixels.
PixelBox allocationOf(Gtk::Widget& widget) {
    const auto a = widget.get_allocation();
    int x = 0, y = 0; // from the top left of the client area, whoever draws the title bar
    widget.translate_coordinates(*widget.get_toplevel()->get_children().front(), 0, 0, x, y);
    return {x, y, a.get_width(), a.get_height()};
}

void expectAt(Gtk::Widget& widget, PixelBox expected, const char* name) {
    const PixelBox real = allocationOf(widget);
    EXPECT_EQ(real.x, expected.x) << name;
    EXPECT_EQ(real.y, expected.y) << name;
    EXPECT_EQ(real.width, expected.width) << name;
    EXPECT_EQ(real.height, expected.height) << name;
}

std::string accessibleName(Gtk::Widget& widget) {
    return widget.get_accessible()->get_name();
}
Atk::Role accessibleRole(Gtk::Widget& widget) {
    return widget.get_accessible()->get_role();
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_DOUBLE_EQ(twipsPerPixelX(), 15) << "the window tests assume 96 DPI";
    }
};

} // namespace

TEST_F(MainWindow, OpensWithAnEmptyCaptionStatusAndHistory) {
    BrowserHarness browser;
    EXPECT_EQ(browser->get_title(), "");
    EXPECT_EQ(browser.statusText(), "");
    EXPECT_EQ(browser.addressText(), "");
    EXPECT_EQ(browser.entryCount(), 0);
    EXPECT_EQ(browser.thumbnailCount(), 0);
    if (onWayland())
        return; // the compositor places windows there; a client cannot
    int x = 0, y = 0;
    browser->get_window()->get_origin(x, y);
    EXPECT_EQ(x, 204);
    EXPECT_EQ(y, 230);
}

TEST_F(MainWindow, ToolbarButtonsStandAtTheirDesignPlacesWithTheirTooltips) {
    BrowserHarness browser;
    pumpFor(std::chrono::milliseconds(100));
    struct Expected {
        int index;
        PixelBox box;
        const char* tooltip;
    };
    const Expected toolbar[] = {
        {kToolbarBack, {8, 8, 23, 23}, "戻る"},
        {kToolbarForward, {40, 8, 24, 23}, "進む"},
        {kToolbarStop, {72, 8, 19, 23}, "中止"},
        {kToolbarRefresh, {104, 8, 19, 23}, "更新"},
        {kToolbarHome, {136, 8, 24, 24}, "ホーム"},
        {kToolbarSearch, {176, 8, 24, 23}, "検索"},
        {kToolbarHistoryWidth, {208, 8, 24, 22}, "履歴パネルサイズ変更"},
    };
    for (const Expected& button : toolbar) {
        Gtk::Button& widget = *browser->Image1.at(button.index);
        expectAt(widget, button.box, button.tooltip);
        EXPECT_EQ(widget.get_tooltip_text(), button.tooltip);
        EXPECT_EQ(accessibleName(widget), button.tooltip);
        EXPECT_EQ(accessibleRole(widget), Atk::ROLE_PUSH_BUTTON);
        EXPECT_FALSE(widget.get_can_focus());
    }
    EXPECT_EQ(browser->Image1.size(), 7u);
    expectAt(browser->Line3, {168, 8, 1, 24}, "Line3");
    // A caption is as tall as its font needs; its place and width are the design's.
    EXPECT_EQ(allocationOf(browser->Label3).x, 8);
    EXPECT_EQ(allocationOf(browser->Label3).y, 45);
    EXPECT_EQ(allocationOf(browser->Label3).width, 57);
}

TEST_F(MainWindow, AddressRowTextsTooltipsAndAccessibleNames) {
    BrowserHarness browser;
    EXPECT_EQ(browser->Label3.get_text(), "アドレス");
    EXPECT_EQ(browser->Label4.get_text(), "移動");
    EXPECT_EQ(browser->Label5.get_text(), "履歴検索");
    EXPECT_EQ(browser->Label6.get_text(), "バージョン1.8");
    EXPECT_EQ(browser->Label7.get_text(), "最新のバージョンをチェック");
    EXPECT_EQ(browser->cboAddress.get_tooltip_text(), "ESCｷｰで履歴から検索");
    EXPECT_EQ(browser->Image4.get_tooltip_text(), "履歴サムネイルサイズ変更");
    EXPECT_EQ(browser->Image5.get_tooltip_text(), "履歴のエクスポート");
    EXPECT_FALSE(browser->Image2.get_has_tooltip());
    EXPECT_FALSE(browser->Image3.get_has_tooltip());

    EXPECT_EQ(accessibleName(browser->Image2), "移動");
    EXPECT_EQ(accessibleName(browser->Image3), "履歴検索");
    EXPECT_EQ(accessibleName(browser->Image4), "履歴サムネイルサイズ変更");
    EXPECT_EQ(accessibleName(browser->Image5), "履歴のエクスポート");
    EXPECT_EQ(accessibleName(browser->cboAddress), "アドレス");
    EXPECT_TRUE(ATK_IS_EDITABLE_TEXT(browser->cboAddress.get_accessible()->gobj()));
    EXPECT_EQ(accessibleName(browser->ListView1.tree()), "履歴");
    EXPECT_EQ(accessibleRole(browser->ListView1.tree()), Atk::ROLE_TABLE);
    EXPECT_EQ(accessibleRole(browser->Label1), Atk::ROLE_LABEL);

    const auto columns = browser->ListView1.tree().get_columns();
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0]->get_title(), "履歴");
    EXPECT_EQ(columns[1]->get_title(), "タイトル");
    EXPECT_EQ(columns[2]->get_title(), "閲覧日時");
    for (auto* column : columns)
        EXPECT_EQ(column->get_width(), 200);
}

TEST_F(MainWindow, ColoursAndTheLinkStyle) {
    BrowserHarness browser;
    const auto colourOf = [](Gtk::Widget& widget) {
        return widget.get_style_context()->get_color(Gtk::STATE_FLAG_NORMAL);
    };
    const Gdk::RGBA link = colourOf(browser->Label7);
    EXPECT_DOUBLE_EQ(link.get_blue(), 1.0);
    EXPECT_DOUBLE_EQ(link.get_red(), 0.0);
    EXPECT_EQ(accessibleName(browser->Label7Link), "最新のバージョンをチェック");

    // The window's background is #EEF2F1: where no control stands, the window draws it.
    pumpFor(std::chrono::milliseconds(300));
    auto pixels = copyAndShrink(browser.window(), {300, 40, 1, 1}, 1, 1, 0);
    const guint8* p = pixels->get_pixels();
    EXPECT_EQ(p[0], 0xEE);
    EXPECT_EQ(p[1], 0xF2);
    EXPECT_EQ(p[2], 0xF1);
}

TEST_F(MainWindow, HiddenWorkingControlsStayHiddenAtAnySize) {
    BrowserHarness browser;
    EXPECT_FALSE(browser->Picture2.get_visible());
    browser.resizeTo(15000, 12000);
    EXPECT_FALSE(browser->Picture2.get_visible());
    browser.resizeTo(2400, 1500); // about as narrow as a title bar with its buttons allows
    EXPECT_FALSE(browser->Picture2.get_mapped());
    // A window smaller than its design still holds every control.
    for (Gtk::Widget* control : std::initializer_list<Gtk::Widget*>{
             &browser->cboAddress, &browser->ListView1, &browser->Label1, &browser->Frame1,
             &browser->Image2, &browser->Image3, &browser->Image4, &browser->Image5})
        EXPECT_TRUE(control->get_visible());
}

TEST_F(MainWindow, TabOrderIsPageViewHistoryPaneAddressBox) {
    BrowserHarness browser;
    browser->brwWebBrowser.SetFocus();
    pumpFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(browser->brwWebBrowser.Widget().has_focus());
    browser.focusHistory();
    EXPECT_TRUE(browser->child_focus(Gtk::DIR_TAB_FORWARD));
    EXPECT_TRUE(browser->cboAddress.has_focus());
}

TEST_F(MainWindow, ImageButtonsAndTheVersionLinkShowTheHandPointer) {
    BrowserHarness browser;
    const auto cursorOver = [](Gtk::Widget& widget, GdkEventType crossing) {
        GdkEvent* event = gdk_event_new(crossing);
        event->crossing.window = GDK_WINDOW(g_object_ref(widget.get_window()->gobj()));
        gtk_widget_event(widget.gobj(), event);
        gdk_event_free(event);
        return widget.get_window()->get_cursor();
    };
    for (Gtk::Widget* widget : std::initializer_list<Gtk::Widget*>{
             browser->Image1.at(kToolbarHome).get(), &browser->Image2, &browser->Image5,
             &browser->Label7Link}) {
        auto hand = cursorOver(*widget, GDK_ENTER_NOTIFY);
        ASSERT_TRUE(hand);
        EXPECT_FALSE(cursorOver(*widget, GDK_LEAVE_NOTIFY));
    }
}

TEST_F(MainWindow, TextStaysDarkOnTheLightBackgroundsInADarkTheme) {
    auto settings = Gtk::Settings::get_default();
    settings->property_gtk_theme_name() = "Adwaita";
    settings->property_gtk_application_prefer_dark_theme() = true;
    BrowserHarness browser;
    pumpFor(std::chrono::milliseconds(100));
    const auto darkness = [](Gtk::Widget& widget) {
        const Gdk::RGBA text = widget.get_style_context()->get_color(Gtk::STATE_FLAG_NORMAL);
        return std::max({text.get_red(), text.get_green(), text.get_blue()});
    };
    // The theme really is dark: a window of its own colours writes light text.
    Gtk::Window plain;
    Gtk::Label themed("theme");
    plain.add(themed);
    EXPECT_GT(themed.get_style_context()->get_color(Gtk::STATE_FLAG_NORMAL).get_red(), 0.7);
    for (Gtk::Widget* control : std::initializer_list<Gtk::Widget*>{
             &browser->Label3, &browser->Label4, &browser->Label5, &browser->Label6,
             &browser->cboAddress, &browser->ListView1.tree()})
        EXPECT_LT(darkness(*control), 0.2) << control->get_name();
    settings->property_gtk_application_prefer_dark_theme() = false;
}

// The pane keeps recently drawn thumbnails unpacked; an image inserted before them must not
// make it draw the wrong picture for a position.
TEST(HistoryPaneThumbnails, AnInsertedImageShowsItsOwnPicture) {
    const auto solid = [](guint32 rgba) {
        auto picture = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 8, 8);
        picture->fill(rgba);
        return packThumbnail(picture);
    };
    const auto redOf = [](const Glib::RefPtr<Gdk::Pixbuf>& picture) {
        return static_cast<int>(picture->get_pixels()[0]);
    };
    ImageList images;
    ListView pane(images);
    images.add(1, "http://a/", solid(0xFF0000FF));
    ASSERT_EQ(redOf(pane.smallIconPicture(1)), 0xFF);
    images.add(1, "http://b/", solid(0x00FF00FF)); // before a: a is now image 2
    EXPECT_EQ(redOf(pane.smallIconPicture(1)), 0x00);
    EXPECT_EQ(redOf(pane.smallIconPicture(2)), 0xFF);
}
