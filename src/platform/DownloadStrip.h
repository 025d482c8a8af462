// SPDX-License-Identifier: MIT
#pragma once
// What downloads are doing, over the page view's bottom-right corner: one line per download
// with its name and progress and a 中止 that stops that one alone, then how it ended, which
// stays a few seconds. The strip is shown while it has a line.

#include "PageDownloads.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <memory>
#include <vector>

namespace quillet {

class DownloadStrip : public Gtk::Box {
  public:
    explicit DownloadStrip(PageDownloads& downloads);
    ~DownloadStrip() override;

    // The line of a download, while the strip shows it (null otherwise).
    const Gtk::Label* textOf(PageDownloads::Id id) const;
    Gtk::Button* cancelButtonOf(PageDownloads::Id id);

  private:
    struct Line;
    Line& lineFor(PageDownloads::Id id, const std::string& name);
    Line* find(PageDownloads::Id id) const;
    Line& showRunning(PageDownloads::Id id, const std::string& name, const std::string& text);
    Line& showEnded(PageDownloads::Id id, const std::string& name, const std::string& text);
    void dropLine(PageDownloads::Id id);

    static constexpr int kWidth = 320;            // pixels
    static constexpr unsigned kShownAfterEnd = 8; // seconds the last word stays
    PageDownloads& downloads_;
    std::vector<std::unique_ptr<Line>> lines_;
};

} // namespace quillet
