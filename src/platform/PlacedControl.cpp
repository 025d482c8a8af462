// SPDX-License-Identifier: MIT
#include "PlacedControl.h"

#include "NumberText.h"
#include "ScreenMetrics.h"

#include <stdexcept>
#include <string>

namespace quillet {

namespace {

void refuseNegative(double size, const char* side) {
    if (size < 0)
        throw std::invalid_argument(std::string("a control's ") + side + " cannot be negative");
}

} // namespace

int pixelsFromTwipsX(double twips) {
    return roundHalfEven(twips / twipsPerPixelX());
}
int pixelsFromTwipsY(double twips) {
    return roundHalfEven(twips / twipsPerPixelY());
}

PlacedControl::PlacedControl(Gtk::Fixed& parent, Gtk::Widget& widget, float left, float top,
                             float width, float height)
    : parent_(parent), widget_(widget), x_(pixelsFromTwipsX(left)), y_(pixelsFromTwipsY(top)),
      w_(pixelsFromTwipsX(width)), h_(pixelsFromTwipsY(height)) {
    parent_.put(widget_, x_, y_);
    applySize();
}

float PlacedControl::left() const {
    return static_cast<float>(x_ * twipsPerPixelX());
}
float PlacedControl::top() const {
    return static_cast<float>(y_ * twipsPerPixelY());
}
float PlacedControl::width() const {
    return static_cast<float>(w_ * twipsPerPixelX());
}
float PlacedControl::height() const {
    return static_cast<float>(h_ * twipsPerPixelY());
}

void PlacedControl::setLeft(float twips) {
    x_ = pixelsFromTwipsX(twips);
    parent_.move(widget_, x_, y_);
}

void PlacedControl::setTop(float twips) {
    y_ = pixelsFromTwipsY(twips);
    parent_.move(widget_, x_, y_);
}

void PlacedControl::setWidth(float twips) {
    refuseNegative(twips, "width");
    w_ = pixelsFromTwipsX(twips);
    applySize();
}

void PlacedControl::setHeight(float twips) {
    refuseNegative(twips, "height");
    h_ = pixelsFromTwipsY(twips);
    applySize();
}

void PlacedControl::setPixelSize(double width, double height) {
    refuseNegative(width, "width");
    w_ = roundHalfEven(width);
    applySize();
    refuseNegative(height, "height");
    h_ = roundHalfEven(height);
    applySize();
}

void PlacedControl::applySize() {
    widget_.set_size_request(w_, h_);
}

} // namespace quillet
