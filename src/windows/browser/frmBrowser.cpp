// SPDX-License-Identifier: MIT
#include "frmBrowser.h"

#include "ClearHistoryDialog.h"
#include "Colors.h"
#include "Form1.h"
#include "Form2.h"
#include "Resources.h"
#include "ScreenMetrics.h"
#include "SharpPicture.h"
#include "Widgets.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/cssprovider.h>
#include <iostream>

namespace quillet {
namespace {

const char* const kPictures = "/org/quillet/pictures/";

std::string picture(const char* name) {
    registerResources(); // the pictures are needed before any other part of the window exists
    return std::string(kPictures) + name;
}

struct ToolbarButton {
    int index;
    float left;
    float width, height; // twips
    const char* picture;
    const char* tooltip;
};

// Left to right on screen; every element stands at Top 120 and shows its picture at its size.
const ToolbarButton kToolbar[] = {
    {kToolbarBack, 120, 345, 345, "back.png", "戻る"},
    {kToolbarForward, 600, 360, 345, "forward.png", "進む"},
    {kToolbarStop, 1080, 285, 345, "stop.png", "中止"},
    {kToolbarRefresh, 1560, 285, 345, "refresh.png", "更新"},
    {kToolbarHome, 2040, 360, 360, "home.png", "ホーム"},
    {kToolbarSearch, 2640, 360, 345, "search.png", "検索"},
    {kToolbarHistoryWidth, 3120, 360, 330, "history-width.png", "履歴パネルサイズ変更"},
};

// A private window never keeps the history, whatever the settings say.
bool keepsHistory(const SettingsStore& settings, Privacy privacy) {
    return privacy == Privacy::Normal &&
           settings.read(kSettingsApp, kHistorySection, kKeepHistory.key, kKeepHistory.fallback) ==
               "1";
}

HistoryKeeper::WithoutKeyring withoutKeyring(const SettingsStore& settings) {
    const std::string choice = settings.read(
        kSettingsApp, kHistorySection, kHistoryWithoutKeyring.key, kHistoryWithoutKeyring.fallback);
    using Choice = HistoryKeeper::WithoutKeyring;
    return choice == "unsealed" ? Choice::KeepUnsealed
           : choice == "none"   ? Choice::DontKeep
                                : Choice::Ask;
}

} // namespace

frmBrowser::frmBrowser(SettingsStore settings, Clock clock, std::string historyFolder,
                       Privacy privacy, const std::vector<std::string>& addresses)
    : privacy_(privacy),
      settings_(privacy == Privacy::Private ? settings.keptInMemory() : std::move(settings)),
      clock_(std::move(clock)),
      keeper_(std::make_unique<HistoryKeeper>(
          std::move(historyFolder), keepsHistory(settings_, privacy), withoutKeyring(settings_))),
      Label2(""), Label3("アドレス"), Label4("移動"), Label5("履歴検索"), Label1(""),
      Label6("バージョン1.8"), Label7("最新のバージョンをチェック"),
      Image2(picture("go.png"), 20, 20, "", "移動"),
      Image3(picture("go.png"), 20, 20, "", "履歴検索"),
      Image4(picture("thumbnail-size.png"), 16, 16, "履歴サムネイルサイズ変更",
             "履歴サムネイルサイズ変更"),
      Image5(picture("export.png"), 16, 16, "履歴のエクスポート", "履歴のエクスポート"),
      brwWebBrowser(privacy), recorder_(std::make_unique<VisitRecorder>(brwWebBrowser, *keeper_)),
      historyPane_(*this, *keeper_, *recorder_, settings_, privacy, clock_,
                   [this] {
                       return PixelSize{roundHalfEven(tx), roundHalfEven(ty)};
                   }),
      timeline_(*this, *keeper_, historyPane_, clock_), findBar(brwWebBrowser),
      downloadStrip(brwWebBrowser.Downloads()),
      savedPages_(*keeper_, brwWebBrowser, savedPageStrip,
                  [this](const std::string& address) { brwWebBrowser.Navigate(address); }),
      Line1(fixed_, kRuleGrey, 0, 530, 4560, 530), Line2(fixed_, kWhite, 0, 545, 4560, 545),
      Line3(fixed_, kRuleGrey, 2520, 120, 2520, 480),
      Line4(fixed_, kRuleGrey, 5520, 600, 5520, 960) {
    buildControls();
    connectHandlers();
    connectShortcuts();
    connectHistoryPane();
    brwWebBrowser.ServeHistoryPages([this](const std::shared_ptr<BuiltInRequest>& request) {
        if (isSavedCopyAddress(request->address()))
            savedPages_.serve(request);
        else
            timeline_.serve(request);
    });
    recorder_->signal_CopyStored().connect([this](const std::string& address, StoredTime time) {
        savedPages_.copyStored(address, time);
    });
    brwWebBrowser.signal_TimelineExport().connect(
        [this](const std::vector<std::string>& ticked) { timeline_.exportTicked(ticked); });
    addressesToVisit_.assign(addresses.begin(), addresses.end());
    Form_Load();
}

frmBrowser::~frmBrowser() {
    timTimer_.disconnect();
    brwWebBrowser.ServeHistoryPages(nullptr);
    recorder_.reset(); // its last visits go to the worker, which stores them before it ends
}

void frmBrowser::buildControls() {
    set_title(windowCaption(privacy_, ""));
    set_icon(Gdk::Pixbuf::create_from_resource(picture("quillet.png"), 32, 32, false));
    // The design position is the client area's top-left corner, so place by the client area.
    set_gravity(Gdk::GRAVITY_STATIC);
    add_events(Gdk::PROPERTY_CHANGE_MASK); // the window manager announces its frame this way
    move(204, 230);
    // The design client area, which the window keeps when start-up refuses a stored size.
    set_default_size(kDesignClientArea.width, kDesignClientArea.height);
    styleWindow(*this, cssColour(kWindowBackground), "#000000");
    add(fixed_);

    // Added bottom first: the band behind the toolbar lies beneath everything, and each
    // caption label beneath the controls its box reaches under.
    placedLabel2 = &placements_.put(fixed_, Label2, 0, 0, 7575, 975);
    styleWidget(Label2, "label { background-color: " + cssColour(kWindowBackground) + "; " +
                            japaneseFont("9.75pt") + " }");
    placedLabel3 = &placements_.put(fixed_, Label3, 120, 670, 855, 255);
    placedLabel4 = &placements_.put(fixed_, Label4, 5040, 670, 735, 255);
    placedLabel5 = &placements_.put(fixed_, Label5, 6000, 670, 1455, 255);
    placedLabel1 = &placements_.put(fixed_, Label1, 120, 4680, 2535, 375);
    for (Gtk::Label* label : {&Label3, &Label4, &Label5, &Label1, &Label6, &Label7}) {
        label->set_xalign(0);
        label->set_yalign(0);
    }
    statusColour_ = Gtk::CssProvider::create();
    Label1.get_style_context()->add_provider(statusColour_,
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    setStatusColour(kSystemWindowText);
    setAccessible(Label1, "ステータス", Atk::ROLE_LABEL);

    for (LineControl* line : {&Line1, &Line2, &Line3, &Line4})
        line->attach();

    for (const ToolbarButton& button : kToolbar) {
        const int width = pixelsFromTwipsX(button.width);
        const int height = pixelsFromTwipsY(button.height);
        auto imageButton = std::make_unique<ImageButton>(picture(button.picture), width, height,
                                                         button.tooltip, button.tooltip);
        placedImage1[button.index] =
            &placements_.put(fixed_, *imageButton, button.left, 120, button.width, button.height);
        Image1[button.index] = std::move(imageButton);
    }
    placedImage2 = &placements_.put(fixed_, Image2, 4680, 600, 300, 300);
    placedImage3 = &placements_.put(fixed_, Image3, 5640, 600, 300, 300);
    placedImage4 = &placements_.put(fixed_, Image4, 7080, 630, 240, 240);
    placedImage5 = &placements_.put(fixed_, Image5, 7320, 630, 240, 240);

    placedAddress = &placements_.put(fixed_, cboAddress, 840, 600, 3735, 315);
    cboAddress.set_width_chars(1);
    cboAddress.set_has_frame(true);
    cboAddress.set_tooltip_text("ESCｷｰで履歴から検索");
    styleWidget(cboAddress, kCompactEntry);
    styleWidget(cboAddress,
                std::string("entry { ") + kBlackOnWhite + " " + japaneseFont("9.75pt") + " }");
    setAccessible(cboAddress, "アドレス", Atk::ROLE_ENTRY);

    pageArea_.setPage(brwWebBrowser.Widget());
    pageArea_.addStrip(findBar, Gtk::ALIGN_START);
    pageArea_.addStrip(downloadStrip, Gtk::ALIGN_END);
    pageArea_.addTopStrip(savedPageStrip);
    placedPageView = &placements_.put(fixed_, pageArea_, 0, 960, 5400, 3735);
    placedListView = &placements_.put(fixed_, ListView1, 5520, 960, 2055, 2895);

    placedFrame1 = &placements_.put(fixed_, Frame1, 5760, 6480, 3735, 255);
    showSharpPicture(Picture1, picture("version-arrow.png"), 14, 14);
    placedPicture1 = &placements_.put(Frame1, Picture1, 1110, 0, 255, 255);
    placedLabel6 = &placements_.put(Frame1, Label6, 0, 20, 1215, 255);
    Label7Link.add(Label7);
    Label7Link.set_visible_window(false);
    placedLabel7 = &placements_.put(Frame1, Label7Link, 1360, 15, 2175, 255);
    styleWidget(Label7, "label { color: #0000FF; text-decoration-line: underline; " +
                            japaneseFont("9pt") + " }");
    useHandPointer(Label7Link);
    setAccessible(Label7Link, "最新のバージョンをチェック", Atk::ROLE_LINK);

    // The capture's scratch surface is never shown.
    placedPicture2 = &placements_.put(fixed_, Picture2, 2040, 5400, 735, 735);
    Picture2.set_no_show_all(true);

    // Keyboard focus: page view, history pane, address box; nothing else takes it.
    fixed_.set_focus_chain({&pageArea_, &ListView1, &cboAddress});
    show_all_children();
}

void frmBrowser::connectHandlers() {
    // The entry hands every key to its input method first: while a conversion is being
    // composed, Enter confirms it and Escape cancels it, and neither reaches these. Enter that
    // the input method leaves alone activates the entry; Escape passes on to this handler.
    cboAddress.signal_activate().connect([this] { cboAddress_KeyPress(kKeyEnter); });
    cboAddress.signal_key_press_event().connect(
        [this](GdkEventKey* event) {
            if (event->keyval == GDK_KEY_Escape)
                cboAddress_KeyPress(kKeyEscape);
            return false;
        },
        true);
    for (auto& [index, button] : Image1)
        button->signal_clicked().connect([this, i = index] { Image1_Click(i); });
    Image2.signal_clicked().connect([this] { Image2_Click(); });
    Image3.signal_clicked().connect([this] { Image3_Click(); });
    Image4.signal_clicked().connect([this] { Image4_Click(); });
    Image5.signal_clicked().connect([this] { Image5_Click(); });
    Label7Link.signal_button_release_event().connect([this](GdkEventButton* event) {
        if (event->button == 1)
            Label7_Click();
        return false;
    });
    brwWebBrowser.signal_LoadStarted().connect([this] {
        savedPages_.pageChanging();
        brwWebBrowser_DownloadBegin();
    });
    brwWebBrowser.signal_PageShown().connect([this] { savedPages_.pageShown(); });
    brwWebBrowser.signal_OpenRefused().connect(
        [this](const std::string& refused) { brwWebBrowser_OpenRefused(refused); });
    ListView1.signal_DblClick().connect([this] { ListView1_DblClick(); });
    ListView1.signal_KeyPress().connect([this](int key) { ListView1_KeyPress(key); });
    ListView1.signal_ItemClick().connect([this](int index) { ListView1_ItemClick(index); });
    ListView1.signal_GotFocus().connect([this] { ListView1_GotFocus(); });
    ListView1.signal_LostFocus().connect([this] { ListView1_LostFocus(); });

    // The layout follows the outer size, which changes with the client area and also without
    // it: when the window manager frames the window or changes its title bar.
    signal_size_allocate().connect([this](Gtk::Allocation&) { followOuterSize(); });
    signal_configure_event().connect(
        [this](GdkEventConfigure*) {
            followOuterSize();
            return false;
        },
        false);
    signal_map_event().connect(
        [this](GdkEventAny*) {
            followOuterSize();
            return false;
        },
        false);
    signal_property_notify_event().connect(
        [this](GdkEventProperty* event) {
            if (event->atom == gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"))
                followOuterSize();
            return false;
        },
        false);
    signal_window_state_event().connect(
        [this](GdkEventWindowState*) {
            Form_Resize();
            return false;
        },
        false);
    signal_delete_event().connect(
        [this](GdkEventAny*) {
            // The page may have unsaved input: it asks its user first, and the window closes
            // only once it agrees.
            if (!pageAgreedToClose_) {
                brwWebBrowser.AskToClose([this] { closeWithoutAsking(); });
                return true;
            }
            // The window closes whatever happens: a message box here could hold up the end of
            // a desktop session, so a settings file that cannot be written is told on stderr.
            try {
                Form_Unload();
            } catch (const std::exception& error) {
                std::cerr << "quillet: the settings could not be saved: " << error.what() << '\n';
            }
            return false;
        },
        false);
}

void frmBrowser::connectHistoryPane() {
    historyPane_.placeSearchField(placements_, fixed_, *placedListView);
    historyPane_.signal_open().connect(
        [this](const std::string& address, const std::string& words) {
            openAtWords(address, words);
        });
    // The kept entries are read once the first page is on screen: a start with a long kept
    // history paints its first page as soon as one without.
    firstPageShown_ = brwWebBrowser.signal_PageShown().connect([this] {
        firstPageShown_.disconnect();
        historyPane_.loadKept();
    });
}

void frmBrowser::closeWithoutAsking() {
    pageAgreedToClose_ = true;
    close();
}

void frmBrowser::setStatusColour(std::uint32_t stored) {
    statusColour_->load_from_data("label { color: " + cssColour(stored) + "; }");
}

} // namespace quillet
