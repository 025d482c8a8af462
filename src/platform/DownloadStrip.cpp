// SPDX-License-Identifier: MIT
#include "DownloadStrip.h"

#include "Widgets.h"

#include <algorithm>
#include <cmath>
#include <glibmm/main.h>

namespace quillet {

struct DownloadStrip::Line {
    PageDownloads::Id id = 0;
    Gtk::Box row;
    Gtk::Label text;
    Gtk::Button cancel{"中止"};
    sigc::connection removal;
};

DownloadStrip::DownloadStrip(PageDownloads& downloads)
    : Gtk::Box(Gtk::ORIENTATION_VERTICAL, 2), downloads_(downloads) {
    set_size_request(kWidth, -1);
    styleWidget(*this, std::string("box { ") + kBlackOnWhite +
                           " border: 1px solid #A0A0A0; padding: 2px 4px; }");
    setAccessible(*this, "ダウンロード", Atk::ROLE_STATUSBAR);
    set_no_show_all(true);

    downloads_.signal_started().connect([this](PageDownloads::Id id, const std::string& name) {
        showRunning(id, name, "ダウンロード中: " + name);
    });
    downloads_.signal_progress().connect(
        [this](PageDownloads::Id id, const std::string& name, double progress) {
            const int percent = static_cast<int>(std::floor(progress * 100));
            showRunning(id, name, "ダウンロード中: " + name + " " + std::to_string(percent) + "%");
        });
    downloads_.signal_finished().connect(
        [this](PageDownloads::Id id, const std::string& name, const std::string& path) {
            showEnded(id, name, "ダウンロードしました: " + name).text.set_tooltip_text(path);
        });
    downloads_.signal_failed().connect(
        [this](PageDownloads::Id id, const std::string& name, const std::string& reason) {
            showEnded(id, name, "ダウンロードできませんでした: " + name + " (" + reason + ")");
        });
}

DownloadStrip::~DownloadStrip() {
    for (const auto& line : lines_)
        line->removal.disconnect();
}

DownloadStrip::Line* DownloadStrip::find(PageDownloads::Id id) const {
    const auto found = std::ranges::find_if(
        lines_, [id](const std::unique_ptr<Line>& line) { return line->id == id; });
    return found == lines_.end() ? nullptr : found->get();
}

DownloadStrip::Line& DownloadStrip::lineFor(PageDownloads::Id id, const std::string& name) {
    if (Line* line = find(id))
        return *line;
    auto line = std::make_unique<Line>();
    line->id = id;
    line->text.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
    line->text.set_xalign(0);
    line->row.set_spacing(6);
    line->row.pack_start(line->text, true, true);
    line->row.pack_start(line->cancel, false, false);
    // The button says what it stops, to the pointer and to a screen reader.
    line->cancel.set_tooltip_text(name + " のダウンロードを中止");
    setAccessible(line->cancel, name + " のダウンロードを中止", Atk::ROLE_PUSH_BUTTON);
    line->cancel.signal_clicked().connect([this, id] { downloads_.cancel(id); });
    line->row.show_all();
    pack_start(line->row, false, false);
    lines_.push_back(std::move(line));
    show();
    return *lines_.back();
}

DownloadStrip::Line& DownloadStrip::showRunning(PageDownloads::Id id, const std::string& name,
                                                const std::string& text) {
    Line& line = lineFor(id, name);
    line.text.set_text(text);
    line.text.set_tooltip_text(text);
    return line;
}

DownloadStrip::Line& DownloadStrip::showEnded(PageDownloads::Id id, const std::string& name,
                                              const std::string& text) {
    Line& line = showRunning(id, name, text);
    line.cancel.hide();
    line.removal.disconnect();
    line.removal = Glib::signal_timeout().connect_seconds(
        [this, id] {
            dropLine(id);
            return false;
        },
        kShownAfterEnd);
    return line;
}

void DownloadStrip::dropLine(PageDownloads::Id id) {
    std::erase_if(lines_, [id](const std::unique_ptr<Line>& line) { return line->id == id; });
    if (lines_.empty())
        hide();
}

const Gtk::Label* DownloadStrip::textOf(PageDownloads::Id id) const {
    const Line* line = find(id);
    return line ? &line->text : nullptr;
}

Gtk::Button* DownloadStrip::cancelButtonOf(PageDownloads::Id id) {
    Line* line = find(id);
    return line ? &line->cancel : nullptr;
}

} // namespace quillet
