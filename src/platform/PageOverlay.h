// SPDX-License-Identifier: MIT
#pragma once
// The page view with the strips that lie over it (find in the page and downloads at its foot,
// a notice about the page at its top). Placed where the page view is placed; Tab reaches the
// page view in it, and the notice at its top while it shows, never a strip at its foot.

#include <functional>
#include <gtkmm/overlay.h>

namespace quillet {

class PageOverlay : public Gtk::Overlay {
  public:
    void setPage(Gtk::Widget& page);
    // A strip at the page's foot, at its left or right corner.
    void addStrip(Gtk::Widget& strip, Gtk::Align corner);
    // A strip across the page's top (after setPage).
    void addTopStrip(Gtk::Widget& strip);

    // Runs `draw` with the strips left out of what the window draws meanwhile: a capture
    // takes the page as it is, never a strip lying over it.
    void withoutStrips(const std::function<void()>& draw);

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    static constexpr int kInset = 4; // pixels from the page's edges
    bool stripsLeftOut_ = false;
};

} // namespace quillet
