// SPDX-License-Identifier: MIT
// The export dialog with real pages in the history, writing real files.

#include "BrowserHarness.h"
#include "Form2.h"
#include "LocalHttpServer.h"
#include "ThumbnailCodec.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace quillet;
using namespace quillet::test;
using namespace std::chrono_literals;

namespace {

class ExportDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        server.add("/red", LocalHttpServer::solidPage("Red: one", "#E01020"));
        server.add("/blue", LocalHttpServer::solidPage("Blue?", "#1030E0"));
        server.add("/green", LocalHttpServer::solidPage("Green", "#10C040"));
        browser.waitForPageShown();
        for (const char* path : {"/red", "/blue", "/green"})
            browser.navigateAndWait(server.url(path));
        ASSERT_EQ(browser.entryCount(), 4);
    }
    Form2& open() {
        browser->Image5.clicked();
        Form2* dialog = browser->exportDialog();
        EXPECT_TRUE(dialog && pumpUntil([&] { return dialog->get_mapped(); }));
        return *dialog;
    }
    void openFolder(Form2& dialog, const std::string& folder) {
        dialog.Dir1.setPath(folder);
        ASSERT_EQ(dialog.Dir1.Path(), folder);
    }

    LocalHttpServer server;
    BrowserHarness browser;
    TempFolder target;
};

} // namespace

TEST_F(ExportDialog, OpensAtTheCurrentFolderWithThumbnailsTicked) {
    Form2& dialog = open();
    EXPECT_EQ(dialog.get_title(), "履歴のｴｸｽﾎﾟｰﾄ");
    EXPECT_FALSE(dialog.get_resizable());
    EXPECT_EQ(dialog.get_transient_for(), nullptr);
    EXPECT_EQ(dialog.Command1.get_label(), "実行");
    EXPECT_EQ(dialog.Command2.get_label(), "ｷｬﾝｾﾙ");
    EXPECT_EQ(dialog.Check1.get_label(), "ｻﾑﾈｲﾙも作成する");
    EXPECT_EQ(dialog.Label1.get_text(), "履歴ﾘｽﾄでﾁｪｯｸﾎﾞｯｸｽがONになっている項目が対象です。");
    EXPECT_TRUE(dialog.Check1.get_active());
    EXPECT_EQ(dialog.Dir1.Path(), fs::current_path().string());
    EXPECT_EQ(dialog.Drive1.Drive().empty(), false);
    // The work picture lies below the visible client area.
    EXPECT_GE(dialog.placedPicture1->pixelTop(), dialog.get_allocated_height());

    // Choices are not kept: cancel, reopen, and the option is ticked and the folder current.
    dialog.Check1.set_active(false);
    openFolder(dialog, target.path());
    dialog.Command2.clicked();
    EXPECT_FALSE(dialog.get_visible());
    Form2& again = open();
    EXPECT_EQ(&again, &dialog);
    EXPECT_TRUE(again.Check1.get_active());
    EXPECT_EQ(again.Dir1.Path(), fs::current_path().string());
    EXPECT_TRUE(fs::is_empty(target.path()));
}

TEST_F(ExportDialog, OneInstanceAndChoosingADriveGoesToItsRoot) {
    Form2& dialog = open();
    EXPECT_EQ(&open(), &dialog);
    openFolder(dialog, target.path());
    ASSERT_FALSE(dialog.Drive1.roots().empty());
    dialog.Drive1.set_active(0); // "/" comes first
    dialog.Drive1_Change();
    EXPECT_EQ(dialog.Dir1.Path(), dialog.Drive1.roots()[0]);
    EXPECT_NE(fs::current_path().string(), dialog.Dir1.Path()); // the process stays where it was
}

TEST_F(ExportDialog, OpeningAFolderThatVanishedKeepsThePreviousOneAndTellsTheUser) {
    Form2& dialog = open();
    fs::create_directory(target.file("soon-gone"));
    openFolder(dialog, target.path());
    fs::remove(target.file("soon-gone"));
    MessageBoxAnswerer answers;
    // Open the listed (now missing) folder the way the user does: activate its row.
    auto& tree = dialog.Dir1.tree();
    auto opened = tree.get_selection()->get_selected(); // its only child is the vanished one
    ASSERT_EQ(opened->children().size(), 1u);
    tree.row_activated(tree.get_model()->get_path(opened->children().begin()), *tree.get_column(0));
    ASSERT_TRUE(pumpUntil([&] { return !answers.texts().empty(); }, 3s));
    EXPECT_TRUE(answers.texts()[0].starts_with("フォルダを開けません: "));
    EXPECT_EQ(dialog.Dir1.Path(), target.path());
}

TEST_F(ExportDialog, ExportsTheTickedEntriesWithBitmaps) {
    browser.tickEntry(2, true);
    browser.tickEntry(3, true);
    Form2& dialog = open();
    openFolder(dialog, target.path());
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    ASSERT_TRUE(pumpUntil([&] { return !answers.texts().empty(); })); // written between draws
    ASSERT_EQ(answers.texts().size(), 1u);
    EXPECT_EQ(answers.texts()[0], "2ｱｲﾃﾑのｴｸｽﾎﾟｰﾄが完了しました。");
    EXPECT_FALSE(dialog.get_visible());

    EXPECT_EQ(readFile(target.file("Red_ one.url")),
              "[InternetShortcut]\r\nURL=" + server.url("/red") + "\r\n");
    EXPECT_EQ(readFile(target.file("Blue_.url")),
              "[InternetShortcut]\r\nURL=" + server.url("/blue") + "\r\n");
    EXPECT_FALSE(fs::exists(target.file("Green.url")));
    for (int i = 1; i <= 4; ++i)
        EXPECT_FALSE(browser.entry(i).checked);

    // Each bitmap is the entry's thumbnail, pixel for pixel, as a 24-bit BMP.
    const std::string bitmap = readFile(target.file("Red_ one.bmp"));
    ASSERT_GT(bitmap.size(), 30u);
    EXPECT_EQ(bitmap.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bitmap[28]), 24);
    auto written = Gdk::Pixbuf::create_from_file(target.file("Red_ one.bmp"));
    auto thumbnail = unpackThumbnail(browser.thumbnail(server.url("/red")));
    ASSERT_EQ(written->get_width(), browser.thumbnailSize().width);
    ASSERT_EQ(written->get_height(), browser.thumbnailSize().height);
    for (int y = 0; y < written->get_height(); y += 9)
        for (int x = 0; x < written->get_width(); x += 9)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(written->get_pixels()[y * written->get_rowstride() + x * 3 + c],
                          thumbnail->get_pixels()[y * thumbnail->get_rowstride() +
                                                  x * thumbnail->get_n_channels() + c]);
}

TEST_F(ExportDialog, NothingTickedReportsZero) {
    Form2& dialog = open();
    openFolder(dialog, target.path());
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    ASSERT_TRUE(pumpUntil([&] { return !answers.texts().empty(); })); // written between draws
    ASSERT_EQ(answers.texts().size(), 1u);
    EXPECT_EQ(answers.texts()[0], "0ｱｲﾃﾑのｴｸｽﾎﾟｰﾄが完了しました。");
    EXPECT_TRUE(fs::is_empty(target.path()));
}

TEST_F(ExportDialog, AFailureNamesTheEntryAndKeepsTheDialogOpen) {
    browser.tickEntry(3, true);
    Form2& dialog = open();
    fs::create_directory(target.file("gone"));
    openFolder(dialog, target.file("gone"));
    fs::remove(target.file("gone"));
    MessageBoxAnswerer answers;
    dialog.Command1.clicked();
    ASSERT_TRUE(pumpUntil([&] { return !answers.texts().empty(); })); // written between draws
    ASSERT_EQ(answers.texts().size(), 1u);
    EXPECT_TRUE(answers.texts()[0].starts_with("3番目の項目「Blue?」を書き出せませんでした。"))
        << answers.texts()[0];
    EXPECT_TRUE(dialog.get_visible());
    EXPECT_TRUE(browser.entry(3).checked);
}

TEST_F(ExportDialog, RunIsDisabledOnceTheMainWindowHasClosed) {
    Form2& dialog = open();
    browser->close();
    pumpUntil([&] { return !browser->get_visible(); });
    EXPECT_TRUE(dialog.get_visible());
    EXPECT_FALSE(dialog.Command1.get_sensitive());
}
