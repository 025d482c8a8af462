// SPDX-License-Identifier: MIT
#pragma once
// The thumbnail-size dialog: shows the main window's thumbnail width and height, keeps each
// within 50 to 300 pixels, previews a size, and on OK hands it to the main window and stores
// it (it takes effect from the next start).

#include "app/ZeroMinimumFixed.h"
#include "platform/PlacedControl.h"
#include "platform/SettingsStore.h"
#include "platform/StretchedImage.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <memory>

namespace quillet {

class frmBrowser;

class Form1 : public Gtk::Window {
  public:
    Form1(frmBrowser& mainWindow, SettingsStore settings);

    // The main window has unloaded: from now on OK only stores the size.
    void mainWindowClosed() { mainWindow_ = nullptr; }

    void Form_Load();
    void Text1_LostFocus();
    void Text2_LostFocus();
    void Command1_Click(); // OK
    void Command2_Click(); // ｷｬﾝｾﾙ
    void Command3_Click(); // ﾌﾟﾚﾋﾞｭｰ
    void Command4_Click(); // 初期値に戻す

  private:
    ZeroMinimumFixed fixed_;

  public:
    Gtk::Label Label1, Label2, Label3, Label4;
    Gtk::Entry Text1, Text2;
    Gtk::Button Command1, Command2, Command3, Command4;
    Gtk::Frame Frame1;
    ZeroMinimumFixed Frame1Area;
    StretchedImage Image1;
    std::unique_ptr<PlacedControl> placedImage1;

  private:
    void Unload() { hide(); }
    std::vector<std::unique_ptr<PlacedControl>> placed_;
    frmBrowser* mainWindow_;
    SettingsStore settings_;
};

} // namespace quillet
