// SPDX-License-Identifier: MIT
#pragma once
// A borderless picture box that keeps its picture: what is put on it is what image()
// returns afterwards, and what it shows when it is visible.

#include <gdkmm/pixbuf.h>
#include <gtkmm/drawingarea.h>

namespace quillet {

class PictureBox : public Gtk::DrawingArea {
  public:
    void setImage(Glib::RefPtr<Gdk::Pixbuf> picture);
    const Glib::RefPtr<Gdk::Pixbuf>& image() const { return image_; }

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    Glib::RefPtr<Gdk::Pixbuf> image_;
};

} // namespace quillet
