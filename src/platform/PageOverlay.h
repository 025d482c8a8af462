// SPDX-License-Identifier: MIT
#pragma once
// The page view with the strips that lie over its foot (find in the page, downloads). Placed
// where the page view is placed; Tab reaches the page view in it, never a strip.

#include <functional>
#include <gtkmm/overlay.h>

namespace quillet {

class PageOverlay : public Gtk::Overlay {
  public:
    void setPage(Gtk::Widget& page);
    // A strip at the page's foot, at its left or right corner.
    void addStrip(Gtk::Widget& strip, Gtk::Align corner);

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
