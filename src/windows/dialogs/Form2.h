// SPDX-License-Identifier: MIT
#pragma once
// The export dialog: choose a drive and a folder, whether thumbnails are written too, and run
// the export of the entries ticked in the history pane.

#include "DialogHosts.h"
#include "DriveList.h"
#include "ExportWriter.h"
#include "FolderList.h"
#include "HistoryKeeper.h"
#include "PictureBox.h"
#include "PlacedControl.h"
#include "ZeroMinimumFixed.h"

#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <memory>
#include <vector>

namespace quillet {

class Form2 : public Gtk::Window {
  public:
    explicit Form2(ExportHost& mainWindow);
    ~Form2() override;

    // The main window has unloaded: there is no history left to export.
    void mainWindowClosed();

    void Form_Load();
    void Drive1_Change();
    void Command1_Click(); // 実行
    void Command2_Click(); // ｷｬﾝｾﾙ
    // Whether an export is under way: its thumbnails being read, or its files written a few
    // at a time between the window's other work.
    bool exporting() const;

  private:
    ZeroMinimumFixed fixed_;

    Placements placements_;

  public:
    // The controls (positions in twips, 15 to a pixel at 96 dpi):
    //   Drive1      the drives (mounted volumes); choosing one lists its folders in Dir1
    //   Dir1        the folder tree; the open folder is where the export goes
    //   Command1 実行, Command2 ｷｬﾝｾﾙ
    //   Check1      "ｻﾑﾈｲﾙも作成する": a bitmap of each thumbnail beside its shortcut
    //   Label1      which entries are exported: those ticked in the history pane
    //   Picture1    a hidden work surface each thumbnail passes through to become a bitmap
    DriveList Drive1;
    FolderList Dir1;
    Gtk::Button Command1, Command2;
    Gtk::Label Label1;
    Gtk::CheckButton Check1;
    PictureBox Picture1;
    PlacedControl* placedPicture1 = nullptr;

  private:
    class HistoryExportSource;
    void Unload() { hide(); }
    void tellUser(const std::string& text);
    void startWriting();
    void exportFinished(const ExportResult& result);
    void stopExport();
    ExportHost* mainWindow_;
    bool filling_ = false;
    std::unique_ptr<HistoryExportSource> source_;
    std::unique_ptr<ExportRun> run_;
    HistoryKeeper::Requests thumbnailRequests_;
    sigc::connection exportSteps_;
    std::string idleLabel_; // Label1's own text while it shows the progress
};

} // namespace quillet
