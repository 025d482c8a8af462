// SPDX-License-Identifier: MIT
#include "PlacedControl.h"

#include "NumberText.h"
#include "ScreenMetrics.h"

#include <stdexcept>

namespace quillet {

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
    if (twips < 0)
        throw std::invalid_argument("a control's width cannot be negative");
    w_ = pixelsFromTwipsX(twips);
    applySize();
}

void PlacedControl::setHeight(float twips) {
    if (twips < 0)
        throw std::invalid_argument("a control's height cannot be negative");
    h_ = pixelsFromTwipsY(twips);
    applySize();
}

void PlacedControl::setPixelSize(double width, double height) {
    if (width < 0)
        throw std::invalid_argument("a control's width cannot be negative");
    w_ = roundHalfEven(width);
    applySize();
    if (height < 0)
        throw std::invalid_argument("a control's height cannot be negative");
    h_ = roundHalfEven(height);
    applySize();
}

void PlacedControl::applySize() {
    widget_.set_size_request(w_, h_);
}

} // namespace quillet
