// SPDX-License-Identifier: MIT
#include "Form2.h"

#include "ExportWriter.h"
#include "ThumbnailCodec.h"
#include "Widgets.h"
#include "frmBrowser.h"

#include <glibmm/miscutils.h>

namespace quillet {
namespace {

// The history pane and its thumbnails as the export writer sees them. Each thumbnail is
// unpacked, shown on the dialog's work picture and saved as a bitmap.
class HistoryExportSource : public ExportSource {
  public:
    HistoryExportSource(frmBrowser& window, PictureBox& work) : window_(window), work_(work) {}

    int count() const override { return window_.ListView1.count(); }
    ExportEntry entry(int index) const override {
        const ListItem& item = window_.ListView1.item(index);
        return ExportEntry{item.subItem1, item.text, item.key, item.checked};
    }
    void clearCheck(int index) override { window_.ListView1.setChecked(index, false); }
    std::vector<std::uint8_t> bitmapFile(const std::string& key) override {
        auto picture = unpackThumbnail(window_.thumbnailForExport(key));
        work_.setImage(picture);
        return encodePicture(picture, "bmp");
    }

  private:
    frmBrowser& window_;
    PictureBox& work_;
};

} // namespace

Form2::Form2(frmBrowser& mainWindow)
    : Command1("実行"), Command2("ｷｬﾝｾﾙ"),
      Label1("履歴ﾘｽﾄでﾁｪｯｸﾎﾞｯｸｽがONになっている項目が対象です。"), Check1("ｻﾑﾈｲﾙも作成する"),
      mainWindow_(&mainWindow) {
    makeToolWindow(*this, "履歴のｴｸｽﾎﾟｰﾄ", 4920, 4200);
    add(fixed_);

    placements_.put(fixed_, Drive1, 120, 120, 4695, 300);
    placements_.put(fixed_, Dir1, 120, 480, 4695, 2820);
    placements_.put(fixed_, Command1, 120, 3480, 1215, 375);
    placements_.put(fixed_, Command2, 1440, 3480, 1215, 375);
    placements_.put(fixed_, Label1, 120, 3960, 4575, 255);
    placements_.put(fixed_, Check1, 2760, 3540, 1935, 255);
    // The work picture lies below the visible area: the user never sees it.
    placedPicture1 = &placements_.put(fixed_, Picture1, 480, 4560, 1935, 1575);
    Label1.set_xalign(0);
    for (Gtk::Button* button : {&Command1, &Command2})
        styleWidget(*button, kCompactButton);
    setAccessible(Drive1, "ドライブ", Atk::ROLE_COMBO_BOX);

    Drive1.signal_changed().connect([this] {
        if (!filling_)
            Drive1_Change();
    });
    Dir1.signal_open_failed().connect([this](const std::string& folder, const std::string& why) {
        tellUser("フォルダを開けません: " + folder + "\n" + why);
    });
    Command1.signal_clicked().connect([this] { Command1_Click(); });
    Command2.signal_clicked().connect([this] { Command2_Click(); });
    show_all_children();
}

void Form2::mainWindowClosed() {
    mainWindow_ = nullptr;
    Command1.set_sensitive(false);
}

void Form2::Form_Load() {
    // Both lists start at the process's current folder; choosing never changes it.
    const std::string current = Glib::get_current_dir();
    filling_ = true;
    Drive1.fill(current);
    filling_ = false;
    try {
        Dir1.setPath(current);
    } catch (const std::exception&) {
        Dir1.setPath(Drive1.Drive()); // the current folder went away: show its drive
    }
    Check1.set_active(true);
}

void Form2::Drive1_Change() {
    const std::string previousFolder = Dir1.Path();
    try {
        Dir1.setPath(Drive1.Drive());
    } catch (const std::exception& error) {
        // Keep the drive and folder that were chosen before, and say why.
        filling_ = true;
        Drive1.fill(previousFolder);
        filling_ = false;
        tellUser("ドライブを開けません: " + Drive1.get_active_text() + "\n" + error.what());
    }
}

void Form2::Command1_Click() {
    if (!mainWindow_)
        return;
    const ImageList& thumbnails = mainWindow_->ImageList1;
    placedPicture1->setPixelSize(thumbnails.imageWidth(), thumbnails.imageHeight());

    HistoryExportSource source(*mainWindow_, Picture1);
    const ExportResult result = exportCheckedEntries(source, Dir1.Path(), Check1.get_active());
    if (result.failure) {
        // Earlier entries are written and unticked; this one and the rest keep their ticks.
        // The dialog stays open so that another folder can be chosen.
        const ExportFailure& failure = *result.failure;
        tellUser(std::to_string(failure.index) + "番目の項目「" + failure.title +
                 "」を書き出せませんでした。\n" + failure.reason);
        return;
    }
    tellUser(std::to_string(result.exported) + "ｱｲﾃﾑのｴｸｽﾎﾟｰﾄが完了しました。");
    Unload();
}

void Form2::Command2_Click() {
    Unload();
}

void Form2::tellUser(const std::string& text) {
    showMessageBox(this, text);
}

} // namespace quillet
