// SPDX-License-Identifier: MIT
#include "ScreenMetrics.h"

#include <gdkmm/screen.h>

namespace quillet {
namespace {

double twipsPerPixel() {
    // GDK keeps one resolution for both directions; -1 means "not set", i.e. 96 DPI.
    auto screen = Gdk::Screen::get_default();
    double dpi = screen ? screen->get_resolution() : -1;
    if (dpi <= 0)
        dpi = 96;
    return 1440.0 / dpi;
}

} // namespace

double twipsPerPixelX() {
    return twipsPerPixel();
}
double twipsPerPixelY() {
    return twipsPerPixel();
}

} // namespace quillet
