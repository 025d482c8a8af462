// SPDX-License-Identifier: MIT
#pragma once
// The export dialog: choose a drive and a folder, whether thumbnails are written too, and run
// the export of the entries ticked in the history pane.

#include "app/ZeroMinimumFixed.h"
#include "platform/DriveList.h"
#include "platform/FolderList.h"
#include "platform/PictureBox.h"
#include "platform/PlacedControl.h"

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

  public:
    DriveList Drive1;
    FolderList Dir1;
    Gtk::Button Command1, Command2;
    Gtk::Label Label1;
    Gtk::CheckButton Check1;
    PictureBox Picture1;
    std::unique_ptr<PlacedControl> placedPicture1;

  private:
    void Unload() { hide(); }
    void tellUser(const std::string& text);
    std::vector<std::unique_ptr<PlacedControl>> placed_;
    frmBrowser* mainWindow_;
    bool filling_ = false;
};

} // namespace quillet
