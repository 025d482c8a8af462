// SPDX-License-Identifier: MIT
#pragma once
// The export dialog: choose a drive and a folder, whether thumbnails are written too, and run
// the export of the entries ticked in the history pane.

#include "DriveList.h"
#include "FolderList.h"
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

class frmBrowser;

class Form2 : public Gtk::Window {
  public:
    explicit Form2(frmBrowser& mainWindow);

    // The main window has unloaded: there is no history left to export.
    void mainWindowClosed();

    void Form_Load();
    void Drive1_Change();
    void Command1_Click(); // 実行
    void Command2_Click(); // ｷｬﾝｾﾙ

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
    void Unload() { hide(); }
    void tellUser(const std::string& text);
    frmBrowser* mainWindow_;
    bool filling_ = false;
};

} // namespace quillet
