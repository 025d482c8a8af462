// SPDX-License-Identifier: MIT
// The thumbnail-size dialog on a real main window and settings store.

#include "BrowserHarness.h"
#include "Form1.h"

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

class ThumbnailSizeDialog : public ::testing::Test {
  protected:
    Form1& open() {
        // The user's own click: the window it opens gets the focus.
        pressAsTheUser(browser->Image4);
        EXPECT_TRUE(pumpUntil([&] { return browser->thumbnailSizeDialog() != nullptr; }));
        Form1* dialog = browser->thumbnailSizeDialog();
        EXPECT_TRUE(pumpUntil([&] { return dialog->get_mapped(); }));
        EXPECT_TRUE(pumpUntil([&] { return dialog->is_active(); }, 3s));
        return *dialog;
    }
    // Moves the focus from `field` to the other field, as the user's Tab or click would.
    void leave(Form1& dialog, Gtk::Entry& field, const std::string& text) {
        field.grab_focus();
        pumpUntil([&] { return field.has_focus(); }, 2s);
        field.set_text(text);
        (&field == &dialog.Text1 ? dialog.Text2 : dialog.Text1).grab_focus();
        pumpFor(20ms);
    }
    std::string stored(const char* key) { return browser.setting(key); }

    BrowserHarness browser;
};

} // namespace

TEST_F(ThumbnailSizeDialog, OpensWithItsCaptionControlsAndTheCurrentSize) {
    browser->tx = 160;
    browser->ty = 120.5;
    Form1& dialog = open();
    EXPECT_EQ(dialog.get_title(), "履歴ｻﾑﾈｲﾙｻｲｽﾞ変更");
    EXPECT_FALSE(dialog.get_resizable());
    EXPECT_TRUE(dialog.get_skip_taskbar_hint());
    EXPECT_EQ(dialog.get_transient_for(), nullptr);
    EXPECT_FALSE(dialog.get_modal());
    EXPECT_EQ(dialog.Text1.get_text(), "160");
    EXPECT_EQ(dialog.Text2.get_text(), "120.5");
    EXPECT_EQ(dialog.Label1.get_text(), "横");
    EXPECT_EQ(dialog.Label2.get_text(), "×縦");
    EXPECT_EQ(dialog.Label3.get_text(), "ﾋﾟｸｾﾙ");
    EXPECT_EQ(dialog.Label4.get_text(), "変更は次回起動時から有効になります。");
    EXPECT_EQ(dialog.Command1.get_label(), "OK");
    EXPECT_EQ(dialog.Command2.get_label(), "ｷｬﾝｾﾙ");
    EXPECT_EQ(dialog.Command3.get_label(), "ﾌﾟﾚﾋﾞｭｰ");
    EXPECT_EQ(dialog.Command4.get_label(), "初期値に戻す");
    EXPECT_EQ(dialog.Text1.get_accessible()->get_name(), "横");
    EXPECT_EQ(dialog.Text2.get_accessible()->get_name(), "×縦");
    EXPECT_EQ(dialog.Command4.get_accessible()->get_name(), "初期値に戻す");
    // The sample picture shows at the current thumbnail size.
    EXPECT_EQ(dialog.placedImage1->pixelWidth(), 160);
    EXPECT_EQ(dialog.placedImage1->pixelHeight(), 120); // 120.5 pixels, half to even
}

TEST_F(ThumbnailSizeDialog, LeavingAFieldCorrectsItInPlace) {
    Form1& dialog = open();
    const std::pair<const char*, const char*> cases[] = {
        {"30", "50"},     {"500", "300"}, {"abc", "50"},  {"", "50"},         {"49.9", "50"},
        {"300.5", "300"}, {"50", "50"},   {"300", "300"}, {"200px", "200px"},
    };
    for (const auto& [typed, kept] : cases) {
        leave(dialog, dialog.Text1, typed);
        EXPECT_EQ(dialog.Text1.get_text(), kept) << typed;
        leave(dialog, dialog.Text2, typed);
        EXPECT_EQ(dialog.Text2.get_text(), kept) << typed;
    }
}

TEST_F(ThumbnailSizeDialog, OkAppliesStoresTellsTheUserAndCloses) {
    Form1& dialog = open();
    leave(dialog, dialog.Text1, "200px");
    dialog.Text2.set_text("90");
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    EXPECT_EQ(browser->tx, 200);
    EXPECT_EQ(browser->ty, 90);
    EXPECT_EQ(stored("width_thumb"), "200");
    EXPECT_EQ(stored("height_thumb"), "90");
    ASSERT_EQ(answers.texts().size(), 1u);
    EXPECT_EQ(answers.texts()[0], "変更は次回起動時から有効になります。");
    EXPECT_FALSE(dialog.get_visible());

    // Reopened, it shows the values applied last; OK without edits stores them again.
    Form1& again = open();
    EXPECT_EQ(&again, &dialog);
    EXPECT_EQ(again.Text1.get_text(), "200");
    SettingsStore(browser.folder()).write("Quillet", "sets", "width_thumb", "1");
    again.Command1.clicked();
    EXPECT_EQ(stored("width_thumb"), "200");
    EXPECT_EQ(answers.texts().size(), 2u);
}

TEST_F(ThumbnailSizeDialog, ResetThenOkStores120By120) {
    browser->tx = 250;
    browser->ty = 60;
    Form1& dialog = open();
    dialog.Command4.clicked();
    EXPECT_EQ(dialog.Text1.get_text(), "120");
    EXPECT_EQ(dialog.Text2.get_text(), "120");
    EXPECT_EQ(dialog.placedImage1->pixelWidth(), 250); // the preview is not redrawn
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    EXPECT_EQ(stored("width_thumb"), "120");
    EXPECT_EQ(stored("height_thumb"), "120");
    EXPECT_EQ(browser->tx, 120);
}

TEST_F(ThumbnailSizeDialog, CancelAndTheCloseBoxChangeNothing) {
    Form1& dialog = open();
    dialog.Text1.set_text("77");
    dialog.Command4.clicked();
    dialog.Command2.clicked();
    EXPECT_FALSE(dialog.get_visible());
    EXPECT_EQ(browser->tx, 120);
    EXPECT_EQ(stored("width_thumb"), "<absent>");

    Form1& again = open();
    again.Text1.set_text("99");
    again.close(); // the title bar's close box
    pumpUntil([&] { return !again.get_visible(); });
    EXPECT_EQ(browser->tx, 120);
    EXPECT_EQ(open().Text1.get_text(), "120");
}

TEST_F(ThumbnailSizeDialog, OneInstanceKeepsItsFieldsWhileOpen) {
    Form1& dialog = open();
    dialog.Text1.set_text("150");
    Form1& same = open();
    EXPECT_EQ(&same, &dialog);
    EXPECT_EQ(same.Text1.get_text(), "150");
    int dialogs = 0;
    for (Gtk::Window* window : Gtk::Window::list_toplevels())
        dialogs += dynamic_cast<Form1*>(window) != nullptr;
    EXPECT_EQ(dialogs, 1);
}

TEST_F(ThumbnailSizeDialog, PreviewResizesTheSampleAndTheLargestFitsTheFrame) {
    Form1& dialog = open();
    dialog.Text1.set_text("300");
    dialog.Text2.set_text("300");
    dialog.Command3.clicked();
    // The new size is laid out at the next frame (later under the sanitizers).
    pumpUntil([&] { return dialog.Image1.get_allocated_height() == 300; }, 2s);
    EXPECT_EQ(dialog.Image1.get_allocated_width(), 300);
    EXPECT_EQ(dialog.Image1.get_allocated_height(), 300);
    const auto frame = dialog.Frame1.get_allocation();
    const auto picture = dialog.Image1.get_allocation();
    EXPECT_LE(picture.get_x() + picture.get_width(), frame.get_x() + frame.get_width());
    EXPECT_LE(picture.get_y() + picture.get_height(), frame.get_y() + frame.get_height());
    EXPECT_EQ(stored("width_thumb"), "<absent>");
}

TEST_F(ThumbnailSizeDialog, ClickingAButtonFirstCorrectsTheFieldThatHadFocus) {
    Form1& dialog = open();
    dialog.Text1.grab_focus();
    ASSERT_TRUE(pumpUntil([&] { return dialog.Text1.has_focus(); }, 2s));
    dialog.Text1.set_text("500");
    clickWithPointer(dialog.Command3);
    ASSERT_TRUE(pumpUntil([&] { return dialog.placedImage1->pixelWidth() == 300; }, 3s));
    EXPECT_EQ(dialog.Text1.get_text(), "300");
}

TEST_F(ThumbnailSizeDialog, OkAfterTheMainWindowClosedStillStoresTheChoice) {
    Form1& dialog = open();
    browser->close(); // writes the main window's own values
    pumpUntil([&] { return !browser->get_visible(); });
    EXPECT_TRUE(dialog.get_visible());
    EXPECT_EQ(stored("width_thumb"), "120");
    dialog.Text1.set_text("180");
    dialog.Text2.set_text("140");
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    EXPECT_EQ(stored("width_thumb"), "180");
    EXPECT_EQ(stored("height_thumb"), "140");
    EXPECT_FALSE(dialog.get_visible());
}
