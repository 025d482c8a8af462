// SPDX-License-Identifier: MIT
#pragma once
// The main window: toolbar, address row, page view, history pane and status row, with the
// handlers that start pages, report their loading and keep the visual history.

#include "DialogHosts.h"
#include "DownloadStrip.h"
#include "FindBar.h"
#include "HistoryFile.h"
#include "HistoryKeeper.h"
#include "HistoryPane.h"
#include "HistoryRules.h"
#include "HistorySavedPages.h"
#include "HistoryTimeline.h"
#include "ImageButton.h"
#include "KeyCodes.h"
#include "LineControl.h"
#include "NoticeStrip.h"
#include "PageOverlay.h"
#include "PageView.h"
#include "PictureBox.h"
#include "PlacedControl.h"
#include "Privacy.h"
#include "SettingsStore.h"
#include "VisitRecorder.h"
#include "WindowFrame.h"
#include "ZeroMinimumFixed.h"

#include <chrono>
#include <deque>
#include <functional>
#include <gtkmm/cssprovider.h>
#include <gtkmm/entry.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <map>
#include <memory>
#include <optional>

namespace quillet {

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

class frmBrowser : public Gtk::Window, public ThumbnailSizeHost {
  public:
    // `historyFolder` holds the kept history's file (used only while keeping is on). A private
    // window reads the settings but writes none, keeps site data in memory and keeps no history.
    // Started with `addresses` (a link from another program), the window shows the first of them
    // instead of its home page, then the others in turn, each as if typed in the address box
    // and Enter pressed once the page before it is shown and in the history.
    explicit frmBrowser(SettingsStore settings, Clock clock = std::chrono::system_clock::now,
                        std::string historyFolder = keptHistoryFolder(),
                        Privacy privacy = Privacy::Normal,
                        const std::vector<std::string>& addresses = {});
    ~frmBrowser() override;

    // Thumbnail size in pixels; the thumbnail-size dialog reads and assigns them.
    double tx = 0;
    double ty = 0;

    double historyWidth() const { return historyWidth_; }
    double thumbnailWidth() const override { return tx; }
    double thumbnailHeight() const override { return ty; }
    void setThumbnailSize(double width, double height) override {
        tx = width;
        ty = height;
    }

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
    void brwWebBrowser_OpenRefused(const std::string& refused);
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
    // The title bar and frame's height (pixels) the last layout allowed for, where known.
    std::optional<int> decorationLaidOutFor() const { return laidOutForDecoration_; }
    // The dialogs, once first opened (null before).
    Form1* thumbnailSizeDialog() { return form1_.get(); }
    Form2* exportDialog() { return form2_.get(); }
    HistoryKeeper& historyKeeper() { return *keeper_; }
    // The history pane with its search field, menu and the kept history's controls.
    HistoryPane& historyPane() { return historyPane_; }
    HistoryTimeline& timeline() { return timeline_; }
    HistorySavedPages& savedPages() { return savedPages_; }
    // Visits whose page text is still being read.
    std::size_t visitsAwaitingText() const { return recorder_->waiting(); }
    const SettingsStore& settings() const { return settings_; }
    Privacy privacy() const { return privacy_; }

  private:
    Privacy privacy_; // declared first: the page view and settings_ are made from it
    SettingsStore settings_;
    Clock clock_;
    std::unique_ptr<HistoryKeeper> keeper_; // outlives everything that hands it work
    ZeroMinimumFixed fixed_;
    Placements placements_;
    PageOverlay pageArea_; // the page view and the strips over it; outlives the page view

  public:
    // The controls. Positions and sizes are in twips (1/1440 inch: 15 to a pixel at 96 dpi);
    // colours are stored as 0x00BBGGRR, or 0x800000nn for the desktop's system colour nn.
    //   Image1(100..106)  the toolbar's picture buttons, by kToolbar* index: back, forward,
    //                     refresh, home, search (the maker's page), stop, history-pane width
    //   Label2            the light band behind the toolbar and the address row
    //   Line3             the separator between toolbar groups
    //   Line1, Line2      the grey and white rules under the toolbar
    //   Label3 "アドレス", cboAddress   the address box (Enter opens, Escape searches)
    //   Image2, Label4    移動: open the address typed
    //   Image3, Label5    履歴検索: search the history for the address typed
    //   Image4            the thumbnail-size dialog (Form1)
    //   Image5            the export dialog (Form2)
    //   brwWebBrowser     the page view, with the find field and the download strip over
    //                     its foot
    //   Line4             the separator between 移動 and 履歴検索 in the address row
    //   ListView1         the history pane: thumbnail, address, title, visit time, tick box,
    //                     held with ImageList1 by historyPane_
    //   ImageList1        the thumbnails, keyed by address, packed as PNG
    //   Label1            the status line: loading (green, a ■ per second) or shown (black)
    //   Frame1            the version strip at the bottom right, holding Label6 (the version),
    //                     Picture1 (its arrow) and Label7 in Label7Link (the update link)
    //   Picture2          the hidden capture surface: the last thumbnail made
    Gtk::Label Label2, Label3, Label4, Label5, Label1, Label6, Label7;
    Gtk::EventBox Label7Link;
    Gtk::Entry cboAddress;
    ZeroMinimumFixed Frame1;
    Gtk::Image Picture1;
    PictureBox Picture2;
    ImageButton Image2, Image3, Image4, Image5;
    std::map<int, std::unique_ptr<ImageButton>> Image1;
    PageView brwWebBrowser;

  private:
    std::unique_ptr<VisitRecorder> recorder_; // hands the page view's visits to keeper_
    HistoryPane historyPane_;
    HistoryTimeline timeline_; // quillet://history/

  public:
    ImageList& ImageList1 = historyPane_.ImageList1;
    ListView& ListView1 = historyPane_.ListView1;
    FindBar findBar;
    DownloadStrip downloadStrip;
    NoticeStrip savedPageStrip{"保存したページ"}; // over a saved copy: when it was saved

  private:
    HistorySavedPages savedPages_; // quillet://saved/

  public:
    LineControl Line1, Line2, Line3, Line4;

    // Where each control is placed; the window keeps them all in placements_.
    PlacedControl *placedLabel2 = nullptr, *placedLabel3 = nullptr, *placedLabel4 = nullptr,
                  *placedLabel5 = nullptr, *placedLabel1 = nullptr, *placedFrame1 = nullptr,
                  *placedPicture1 = nullptr, *placedLabel6 = nullptr, *placedLabel7 = nullptr,
                  *placedAddress = nullptr, *placedPicture2 = nullptr, *placedImage2 = nullptr,
                  *placedImage3 = nullptr, *placedImage4 = nullptr, *placedImage5 = nullptr,
                  *placedListView = nullptr, *placedPageView = nullptr;

    std::map<int, PlacedControl*> placedImage1;

  private:
    void buildControls();
    void connectHandlers();
    PixelSize outerPixels() const;
    std::optional<int> knownDecorationHeight() const; // pixels; unknown before it is framed
    void resizeToRequested();
    void followOuterSize();
    // Form_Resize's layout for an outer size and title bar already read from the display.
    void layOut(PixelSize outer, std::optional<int> decoration);
    void setStatusColour(std::uint32_t stored);
    void startTimer();
    void visitNextAddress();
    void takeShownPage();
    void openAtWords(const std::string& address, const std::string& words);
    void AddPageToHistory();
    void FindInHistory(std::string text, SearchMode mode);
    void showSelectedEntryTooltip();
    void showDialog(Gtk::Window& dialog);
    // Keyboard shortcuts and the mouse's back and forward buttons (Shortcuts.cpp).
    void connectShortcuts();
    void connectHistoryPane();
    bool onShortcutKey(const GdkEventKey& event);

    double historyWidth_ = 0;
    int searchIndex = 0;
    sigc::connection timTimer_;
    // What a page tried and was refused while it loaded, for the status line once it is shown.
    std::string openRefused_;
    Glib::RefPtr<Gtk::CssProvider> statusColour_;
    bool pageAgreedToClose_ = false; // the page's beforeunload question has been answered
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    sigc::connection firstPageShown_;
    std::deque<std::string> addressesToVisit_; // from the command line, in turn
    // The address last shown; and the words the page being opened from the pane's matches is
    // to open at, looked for once it is shown.
    std::string shownAddress_;
    std::string passageWords_;
    sigc::connection addressShown_; // the page of the last address visited
    // The client area the window is designed for; it keeps it in a dimension that start-up
    // leaves alone or refuses.
    static constexpr PixelSize kDesignClientArea{652, 467};
    // Outer size asked for, in pixels; -1 where nothing was asked for.
    PixelSize requested_{-1, -1};
    // The decoration the last resize allowed for, and whether the asked-for outer size is still
    // owed: the title bar becomes known only once the window is on screen.
    PixelSize decorationAllowedFor_;
    bool requestedSizeOwed_ = false;
    // The outer size and title bar the last layout ran for.
    PixelSize laidOutFor_{-1, -1};
    std::optional<int> laidOutForDecoration_;
};

} // namespace quillet
