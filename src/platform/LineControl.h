// SPDX-License-Identifier: MIT
#pragma once
// A one-pixel straight line (horizontal or vertical) between two points given in twips.

#include "TwipsControl.h"

#include <cstdint>
#include <gtkmm/drawingarea.h>
#include <gtkmm/fixed.h>

namespace quillet {

class LineControl : public Gtk::DrawingArea, public TwipsLine {
  public:
    LineControl(Gtk::Fixed& parent, std::uint32_t colour, float x1, float y1, float x2, float y2);
    // Puts the line on its parent; lines added later are drawn above it.
    void attach();
    void setX1(float twips) override;
    void setX2(float twips) override;
    float x1() const { return x1_; }
    float x2() const { return x2_; }

  protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

  private:
    void place();
    Gtk::Fixed& parent_;
    std::uint32_t colour_;
    float x1_, y1_, x2_, y2_;
};

} // namespace quillet
