// SPDX-License-Identifier: MIT
#pragma once
// The main window: toolbar, address row, page view, history pane and status row, with the
// handlers that start pages, report their loading and keep the visual history.

#include "app/ZeroMinimumFixed.h"
#include "platform/ImageButton.h"
#include "platform/ImageList.h"
#include "platform/KeyCodes.h"
#include "platform/LineControl.h"
#include "platform/ListView.h"
#include "platform/PageView.h"
#include "platform/PictureBox.h"
#include "platform/PlacedControl.h"
#include "platform/SettingsStore.h"
#include "platform/WindowFrame.h"

#include <chrono>
#include <functional>
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <map>
#include <memory>

namespace quillet {

using Clock = std::function<std::chrono::system_clock::time_point()>;

// The toolbar's picture buttons, by their index in the control array Image1.
inline constexpr int kToolbarBack = 100;
inline constexpr int kToolbarForward = 101;
inline constexpr int kToolbarRefresh = 102;
inline constexpr int kToolbarHome = 103;
inline constexpr int kToolbarSearch = 104; // the maker's search page
inline constexpr int kToolbarStop = 105;
inline constexpr int kToolbarHistoryWidth = 106;

// Host of the maker's two fixed pages (the version link and the toolbar's search button).
inline constexpr const char* kMakerHost = "quillet.example";

class Form1;
class Form2;

class frmBrowser : public Gtk::Window {
  public:
    explicit frmBrowser(SettingsStore settings, Clock clock = std::chrono::system_clock::now);
    ~frmBrowser() override;

    // Thumbnail size in pixels; the thumbnail-size dialog reads and assigns them.
    double tx = 0;
    double ty = 0;

    double historyWidth() const { return historyWidth_; }

    // Outer size in twips, frame and title bar included. A negative size, or one larger than
    // the screen, is refused with std::invalid_argument and leaves the window as it was.
    float Width() const;
    float Height() const;
    void setWidth(float twips);
    void setHeight(float twips);

    // Handlers.
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void cboAddress_KeyPress(int keyAscii);
    void brwWebBrowser_DownloadBegin();
    void timTimer_Timer();
    void Image1_Click(int index);
    void Image2_Click();
    void Image3_Click();
    void Image4_Click();
    void Image5_Click();
    void Label7_Click();
    void ListView1_DblClick();
    void ListView1_KeyPress(int keyAscii);
    void ListView1_ItemClick(int index);
    void ListView1_GotFocus();
    void ListView1_LostFocus();

    // Closes the window without asking the page first (the desktop session is ending).
    void closeWithoutAsking();

    bool timTimerEnabled() const { return timTimer_.connected(); }
    // Whether the window has the outer size last asked for, its title bar allowed for (or the
    // window manager has given it another size since).
    bool sizeSettled() const { return !requestedSizeOwed_; }
    // The dialogs, once first opened (null before).
    Form1* thumbnailSizeDialog() { return form1_.get(); }
    Form2* exportDialog() { return form2_.get(); }
    const SettingsStore& settings() const { return settings_; }

  private:
    ZeroMinimumFixed fixed_;

  public:
    // Controls, as the window declares them.
    Gtk::Label Label2, Label3, Label4, Label5, Label1, Label6, Label7;
    Gtk::EventBox Label7Link;
    Gtk::Entry cboAddress;
    ZeroMinimumFixed Frame1;
    Gtk::Image Picture1;
    PictureBox Picture2;
    ImageButton Image2, Image3, Image4, Image5;
    std::map<int, std::unique_ptr<ImageButton>> Image1;
    ImageList ImageList1;
    ListView ListView1;
    PageView brwWebBrowser;
    LineControl Line1, Line2, Line3, Line4;

    // Their positions and sizes in twips.
    std::unique_ptr<PlacedControl> placedLabel2, placedLabel3, placedLabel4, placedLabel5,
        placedLabel1, placedFrame1, placedPicture1, placedLabel6, placedLabel7, placedAddress,
        placedPicture2, placedImage2, placedImage3, placedImage4, placedImage5, placedListView,
        placedPageView;
    std::map<int, std::unique_ptr<PlacedControl>> placedImage1;

  private:
    void buildControls();
    void connectHandlers();
    PixelSize outerPixels() const;
    void resizeToRequested();
    void followOuterSize();
    void setStatusColour(std::uint32_t stored);
    void startTimer();
    void AddPageToHistory();
    void FindInHistory(std::string text, const std::string& mode);
    void showSelectedEntryTooltip();
    void showDialog(Gtk::Window& dialog);
    // Keyboard shortcuts and the mouse's back and forward buttons (Shortcuts.cpp).
    void connectShortcuts();
    bool onShortcutKey(const GdkEventKey& event);
    void openFindField();
    void closeFindField();
    // Puts a strip that lies over the page view at its bottom-left or bottom-right corner.
    enum class PageCorner { BottomLeft, BottomRight };
    void placeOverPageView(Gtk::Widget& strip, PageCorner corner);
    // What downloads are doing, in a strip over the page view's foot (Downloads.cpp).
    void connectDownloads();
    void showDownloadState(const std::string& text, bool cancellable);

    SettingsStore settings_;
    Clock clock_;
    double historyWidth_ = 0;
    int searchIndex = 0;
    sigc::connection timTimer_;
    Glib::RefPtr<Gtk::CssProvider> statusColour_;
    Gtk::Entry findField_; // find in the page: shown over the page view's foot on Ctrl+F
    Gtk::Box downloadBar_; // shown over the page view's foot while a download runs
    Gtk::Label downloadText_;
    Gtk::Button downloadCancel_{"中止"};
    sigc::connection downloadBarTimeout_;
    bool pageAgreedToClose_ = false; // the page's beforeunload question has been answered
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    // The client area the window is designed for; it keeps it in a dimension that start-up
    // leaves alone or refuses.
    static constexpr PixelSize kDesignClientArea{652, 467};
    // Outer size asked for, in pixels; -1 where nothing was asked for.
    PixelSize requested_{-1, -1};
    // The decoration the last resize allowed for, and whether the asked-for outer size is still
    // owed: the title bar becomes known only once the window is on screen.
    PixelSize decorationAllowedFor_;
    bool requestedSizeOwed_ = false;
    PixelSize laidOutFor_{-1, -1}; // the outer size the last layout ran for
};

} // namespace quillet
