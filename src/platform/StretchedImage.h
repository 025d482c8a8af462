// SPDX-License-Identifier: MIT
#pragma once
// A picture drawn stretched to whatever size the control is given.

#include <gdkmm/pixbuf.h>
#include <gtkmm/drawingarea.h>

namespace quillet {

class StretchedImage : public Gtk::DrawingArea {
  public:
    explicit StretchedImage(Glib::RefPtr<Gdk::Pixbuf> picture) : picture_(std::move(picture)) {}

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    Glib::RefPtr<Gdk::Pixbuf> picture_;
};

} // namespace quillet
