// SPDX-License-Identifier: MIT
#include "PageOverlay.h"

namespace quillet {

void PageOverlay::setPage(Gtk::Widget& page) {
    add(page);
    set_focus_chain({&page});
}

void PageOverlay::addStrip(Gtk::Widget& strip, Gtk::Align corner) {
    strip.set_halign(corner);
    strip.set_valign(Gtk::ALIGN_END);
    strip.set_margin_start(kInset);
    strip.set_margin_end(kInset);
    strip.set_margin_bottom(kInset);
    add_overlay(strip);
}

void PageOverlay::addTopStrip(Gtk::Widget& strip) {
    strip.set_halign(Gtk::ALIGN_FILL);
    strip.set_valign(Gtk::ALIGN_START);
    strip.set_margin_start(kInset);
    strip.set_margin_end(kInset);
    strip.set_margin_top(kInset);
    add_overlay(strip);
    // Its button is the user's way on from what it tells, so Tab reaches it (while it shows)
    // just before the page it lies over.
    if (Gtk::Widget* page = get_child())
        set_focus_chain({&strip, page});
}

void PageOverlay::withoutStrips(const std::function<void()>& draw) {
    stripsLeftOut_ = true;
    try {
        draw();
    } catch (...) {
        stripsLeftOut_ = false;
        throw;
    }
    stripsLeftOut_ = false;
}

bool PageOverlay::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    if (!stripsLeftOut_)
        return Gtk::Overlay::on_draw(cr);
    if (Gtk::Widget* page = get_child())
        propagate_draw(*page, cr);
    return false;
}

} // namespace quillet
