// SPDX-License-Identifier: MIT
#include "LineControl.h"

#include "Colors.h"
#include "PlacedControl.h"

#include <algorithm>
#include <cmath>

namespace quillet {

LineControl::LineControl(Gtk::Fixed& parent, std::uint32_t colour, float x1, float y1, float x2,
                         float y2)
    : parent_(parent), colour_(colour), x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}

void LineControl::attach() {
    parent_.put(*this, 0, 0);
    place();
}

void LineControl::setX1(float twips) {
    x1_ = twips;
    place();
}

void LineControl::setX2(float twips) {
    x2_ = twips;
    place();
}

void LineControl::place() {
    if (get_parent() == nullptr)
        return;
    const int left = pixelsFromTwipsX(std::min(x1_, x2_));
    const int top = pixelsFromTwipsY(std::min(y1_, y2_));
    const int width = std::max(1, pixelsFromTwipsX(std::fabs(x2_ - x1_)));
    const int height = std::max(1, pixelsFromTwipsY(std::fabs(y2_ - y1_)));
    parent_.move(*this, left, top);
    set_size_request(width, height);
}

bool LineControl::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const Rgb colour = decodeColour(colour_);
    cr->set_source_rgb(colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
    cr->paint();
    return true;
}

} // namespace quillet
