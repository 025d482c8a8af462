// SPDX-License-Identifier: MIT
#pragma once
// The thumbnail-size dialog: shows the main window's thumbnail width and height, keeps each
// within 50 to 300 pixels, previews a size, and on OK hands it to the main window and stores
// it (it takes effect from the next start).

#include "DialogHosts.h"
#include "PlacedControl.h"
#include "SettingsStore.h"
#include "StretchedImage.h"
#include "ZeroMinimumFixed.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <memory>

namespace quillet {

class Form1 : public Gtk::Window {
  public:
    Form1(ThumbnailSizeHost& mainWindow, SettingsStore settings);

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

    Placements placements_;

  public:
    // The controls (positions in twips, 15 to a pixel at 96 dpi):
    //   Label1 "横", Text1        the thumbnail width in pixels (50 to 300)
    //   Label2 "×縦", Text2       the thumbnail height in pixels (50 to 300)
    //   Label3 "ﾋﾟｸｾﾙ"            the unit
    //   Command4 初期値に戻す      back to 120 x 120
    //   Frame1, Frame1Area        the preview's frame and the area inside it
    //   Command3 ﾌﾟﾚﾋﾞｭｰ           shows Image1 at the size typed
    //   Image1                    a sample page, stretched to the previewed size
    //   Command1 OK, Command2 ｷｬﾝｾﾙ
    //   Label4                    the note that the size applies from the next start
    Gtk::Label Label1, Label2, Label3, Label4;
    Gtk::Entry Text1, Text2;
    Gtk::Button Command1, Command2, Command3, Command4;
    Gtk::Frame Frame1;
    ZeroMinimumFixed Frame1Area;
    StretchedImage Image1;
    PlacedControl* placedImage1 = nullptr;

  private:
    void Unload() { hide(); }
    ThumbnailSizeHost* mainWindow_;
    SettingsStore settings_;
};

} // namespace quillet
