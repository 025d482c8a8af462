// SPDX-License-Identifier: MIT
#pragma once
// A widget placed on a Gtk::Fixed at a position and size given in twips. Values become whole
// pixels at the screen's twips-per-pixel and are reported back as the widget has them.

#include "TwipsControl.h"

#include <gtkmm/fixed.h>
#include <memory>
#include <vector>

namespace quillet {

class PlacedControl : public TwipsControl {
  public:
    PlacedControl(Gtk::Fixed& parent, Gtk::Widget& widget, float left, float top, float width,
                  float height);

    float left() const override;
    float top() const override;
    float width() const override;
    float height() const override;
    void setLeft(float twips) override;
    void setTop(float twips) override;
    void setWidth(float twips) override;  // a negative width throws std::invalid_argument
    void setHeight(float twips) override; // likewise
    // The size in pixels, each side rounded to a whole pixel (half to even): width first, then
    // height, each refused like setWidth and setHeight.
    void setPixelSize(double width, double height);

    Gtk::Widget& widget() { return widget_; }
    int pixelLeft() const { return x_; }
    int pixelTop() const { return y_; }
    int pixelWidth() const { return w_; }
    int pixelHeight() const { return h_; }

  private:
    void applySize();
    Gtk::Fixed& parent_;
    Gtk::Widget& widget_;
    int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
};

// The placements of one window's controls, kept for as long as the window lives. Controls are
// put in the order given: a later one lies over an earlier one it overlaps.
class Placements {
  public:
    PlacedControl& put(Gtk::Fixed& parent, Gtk::Widget& widget, float left, float top, float width,
                       float height) {
        return *placed_.emplace_back(
            std::make_unique<PlacedControl>(parent, widget, left, top, width, height));
    }

  private:
    std::vector<std::unique_ptr<PlacedControl>> placed_;
};

// Converts twips to whole pixels (nearest, half to even); throws on overflow.
int pixelsFromTwipsX(double twips);
int pixelsFromTwipsY(double twips);

} // namespace quillet
