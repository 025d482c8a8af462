// SPDX-License-Identifier: MIT
#pragma once
// 履歴を消去: clears the history of the last hour, day, week or all of it (after a question),
// sets how long the kept history keeps a page (保存期間) and how much space the pages' saved
// copies may take (保存するページの容量) and says how much each holds, and shows the sites
// whose pages are never kept, each of which can be kept again.

#include "DialogHosts.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/label.h>
#include <gtkmm/listbox.h>
#include <gtkmm/radiobutton.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/window.h>
#include <string>
#include <vector>

namespace quillet {

class ClearHistoryDialog : public Gtk::Window {
  public:
    explicit ClearHistoryDialog(ClearHistoryHost& mainWindow);

    // Reads the list of sites never kept and the size of the kept history again (they come
    // from the history's worker).
    void refresh();

    // The period chosen and cleared, after the question is answered yes.
    void clearChosenPeriod();
    void keepSelectedSiteAgain();
    const std::vector<std::string>& excludedSites() const { return sites_; }
    std::string keptSummaryText() const { return keptSummary.get_text(); }
    std::string savedSummaryText() const { return savedSummary.get_text(); }

    Gtk::RadioButton lastHour, lastDay, lastWeek, everything;
    Gtk::Button clearButton, keepAgainButton, closeButton;
    Gtk::ListBox siteList;
    Gtk::ComboBoxText retentionChoice; // in the order of kRetentions
    Gtk::Label keptSummary;
    Gtk::ComboBoxText savedSpaceChoice; // in the order of kSavedCopiesSpaces
    Gtk::Label savedSummary;

  private:
    void showSites(std::vector<std::string> sites);
    void showKeptSize();

    ClearHistoryHost& mainWindow_;
    Gtk::Box layout_{Gtk::ORIENTATION_VERTICAL, 6};
    Gtk::Label periodLabel_, sitesLabel_, retentionLabel_, savedSpaceLabel_;
    Gtk::Box retentionRow_{Gtk::ORIENTATION_HORIZONTAL, 6};
    Gtk::Box savedSpaceRow_{Gtk::ORIENTATION_HORIZONTAL, 6};
    sigc::connection retentionChanged_, savedSpaceChanged_;
    Gtk::ScrolledWindow siteScroller_;
    Gtk::Box buttons_{Gtk::ORIENTATION_HORIZONTAL, 6};
    std::vector<std::string> sites_;
    unsigned refreshes_ = 0, sizeAskings_ = 0;
    HistoryKeeper::Requests requests_;
};

} // namespace quillet
