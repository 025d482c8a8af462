// SPDX-License-Identifier: MIT
#include "Form2.h"

#include "ExportWriter.h"
#include "ThumbnailCodec.h"
#include "Widgets.h"

#include <glibmm/main.h>
#include <glibmm/miscutils.h>
#include <unordered_map>

namespace quillet {
namespace {

// An export runs for a few milliseconds at a time, then lets the window draw and take keys.
constexpr auto kExportSlice = std::chrono::milliseconds(15);

} // namespace

// The history pane's entries as they stood when the export began, and their thumbnails, as
// the export writer sees them. Entries are found by key at each step: one the user deletes
// meanwhile is passed over. Each thumbnail is unpacked, shown on the dialog's work picture and
// saved as a bitmap.
class Form2::HistoryExportSource : public ExportSource {
  public:
    HistoryExportSource(ExportHost& window, PictureBox& work) : window_(window), work_(work) {
        const ListItems& items = window.entries();
        for (int i = 1; i <= items.count(); ++i) {
            keys_.push_back(items.item(i).key);
            if (items.item(i).checked)
                ticked_.push_back(items.item(i).key);
        }
    }
    const std::vector<std::string>& tickedKeys() const { return ticked_; }
    void setThumbnails(std::vector<std::optional<PackedImage>> pictures) {
        for (std::size_t i = 0; i < pictures.size() && i < ticked_.size(); ++i)
            if (pictures[i])
                thumbnails_[ticked_[i]] = std::move(*pictures[i]);
    }

    int count() const override { return static_cast<int>(keys_.size()); }
    ExportEntry entry(int index) const override {
        const ListItem* item = current(index);
        if (!item)
            return ExportEntry{};
        return ExportEntry{item->subItem1, item->text, item->key, item->checked};
    }
    void clearCheck(int index) override { window_.untick(keyAt(index)); }
    std::vector<std::uint8_t> bitmapFile(const std::string& key) override {
        const auto found = thumbnails_.find(key);
        if (found == thumbnails_.end())
            throw std::runtime_error("サムネイルを読めませんでした");
        auto picture = unpackThumbnail(found->second);
        thumbnails_.erase(found); // written once: the memory goes as the export goes on
        work_.setImage(picture);
        return encodePicture(picture, "bmp");
    }

  private:
    const std::string& keyAt(int index) const {
        return keys_.at(static_cast<std::size_t>(index - 1));
    }
    const ListItem* current(int index) const {
        const auto position = window_.entries().indexOfKey(keyAt(index));
        return position ? &window_.entries().item(*position) : nullptr;
    }

    ExportHost& window_;
    PictureBox& work_;
    std::vector<std::string> keys_, ticked_;
    std::unordered_map<std::string, PackedImage> thumbnails_;
};

Form2::Form2(ExportHost& mainWindow)
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

Form2::~Form2() {
    stopExport();
}

void Form2::mainWindowClosed() {
    stopExport();
    mainWindow_ = nullptr;
    Command1.set_sensitive(false);
}

void Form2::stopExport() {
    exportSteps_.disconnect();
    thumbnailRequests_.cancel();
    run_.reset();
    source_.reset();
    if (!idleLabel_.empty())
        Label1.set_text(idleLabel_);
    idleLabel_.clear();
    if (mainWindow_)
        Command1.set_sensitive(true);
}

bool Form2::exporting() const {
    return source_ != nullptr;
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
    if (!mainWindow_ || exporting())
        return;
    placedPicture1->setPixelSize(mainWindow_->thumbnailWidth(), mainWindow_->thumbnailHeight());

    source_ = std::make_unique<HistoryExportSource>(*mainWindow_, Picture1);
    run_ = std::make_unique<ExportRun>(*source_, Dir1.Path(), Check1.get_active());
    Command1.set_sensitive(false);
    idleLabel_ = Label1.get_text();
    if (!Check1.get_active()) {
        startWriting();
        return;
    }
    // The thumbnails of kept entries are in the kept history's file: read as one batch, off
    // the window's thread, before the first file is written.
    Label1.set_text("ｻﾑﾈｲﾙを読み込んでいます...");
    mainWindow_->thumbnailsForExport(source_->tickedKeys(), thumbnailRequests_,
                                     [this](std::vector<std::optional<PackedImage>> pictures) {
                                         source_->setThumbnails(std::move(pictures));
                                         startWriting();
                                     });
}

void Form2::startWriting() {
    exportSteps_ = Glib::signal_idle().connect([this] {
        const auto until = std::chrono::steady_clock::now() + kExportSlice;
        bool more = true;
        while (more && std::chrono::steady_clock::now() < until)
            more = run_->step();
        if (more) {
            Label1.set_text("ｴｸｽﾎﾟｰﾄ中... " + std::to_string(run_->result().exported) + "/" +
                            std::to_string(source_->tickedKeys().size()));
            return true;
        }
        const ExportResult result = run_->result();
        stopExport();
        exportFinished(result);
        return false;
    });
}

void Form2::exportFinished(const ExportResult& result) {
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
    // An export under way stops at the entry it has reached: those before stay written.
    stopExport();
    Unload();
}

void Form2::tellUser(const std::string& text) {
    showMessageBox(this, text);
}

} // namespace quillet
