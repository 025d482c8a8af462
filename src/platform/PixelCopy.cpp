#include "PixelCopy.h"

#include <algorithm>
#include <gdk/gdk.h>
#include <stdexcept>

namespace quillet {

Glib::RefPtr<Gdk::Pixbuf> copyAndShrink(Gtk::Window& window, PixelRect source, int width,
                                        int height, std::uint32_t plainColour) {
    // Larger than any screen, a "thumbnail" would only exhaust memory (stored sizes can be
    // anything a hand-edited settings file holds).
    constexpr int kLargestSide = 4096;
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide)
        throw std::runtime_error("a thumbnail needs a size from 1 to 4096 pixels");
    auto gdkWindow = window.get_window();
    if (gdkWindow && source.width > 0 && source.height > 0) {
        // Keep to the window's own pixels; anything outside it does not exist on screen.
        const int right = std::min(source.x + source.width, gdkWindow->get_width());
        const int bottom = std::min(source.y + source.height, gdkWindow->get_height());
        const int left = std::max(source.x, 0);
        const int top = std::max(source.y, 0);
        if (right > left && bottom > top) {
            GdkPixbuf* copy = gdk_pixbuf_get_from_window(gdkWindow->gobj(), left, top, right - left,
                                                         bottom - top);
            if (copy) {
                auto pixels = Glib::wrap(copy);
                // For reduction, bilinear in gdk-pixbuf integrates over each destination
                // pixel's footprint: a box filter, which averages rather than drops pixels.
                auto shrunk = pixels->scale_simple(width, height, Gdk::INTERP_BILINEAR);
                if (!shrunk)
                    throw std::runtime_error("no memory for the thumbnail");
                return shrunk;
            }
        }
    }
    auto plain = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, width, height);
    const guint32 rgba = ((plainColour & 0xFF) << 24) | (((plainColour >> 8) & 0xFF) << 16) |
                         (((plainColour >> 16) & 0xFF) << 8) | 0xFF;
    plain->fill(rgba);
    return plain;
}

} // namespace quillet
