// SPDX-License-Identifier: MIT
#include "PixelCopy.h"

#include "Colors.h"
#include "PictureShrink.h"
#include "WindowFrame.h"

#include <algorithm>
#include <cairomm/context.h>
#include <cstring>
#include <gtk/gtk.h>
#include <memory>
#include <stdexcept>

namespace quillet {
namespace {

// The columns the window draws, in a buffer of their own. It is left uncleared (clearing 3 to
// 4 MB costs a fifth of a millisecond a capture): the window paints its background over all of
// it first, and the page view, opaque, every pixel of the part that is kept.
struct DrawnColumns {
    std::unique_ptr<std::uint8_t[]> pixels;
    Cairo::RefPtr<Cairo::ImageSurface> surface;

    DrawnColumns(int width, int height) {
        const int stride = Cairo::ImageSurface::format_stride_for_width(Cairo::FORMAT_RGB24, width);
        pixels.reset(new std::uint8_t[static_cast<std::size_t>(stride) * height]);
        surface =
            Cairo::ImageSurface::create(pixels.get(), Cairo::FORMAT_RGB24, width, height, stride);
    }
    DrawnColumns(const DrawnColumns&) = delete;
    DrawnColumns& operator=(const DrawnColumns&) = delete;
    ~DrawnColumns() { surface->finish(); } // nothing may draw into the buffer once it is gone
};

// The window draws the columns of its client area that hold `part` into an image of its own,
// from which `part` is cut. Unlike reading the screen back, this holds on X11 and Wayland
// alike, whatever covers the window and however the page view composites (in software or
// with GL). Whole columns, not `part` alone: a view composited with GL reads its picture back
// upside down, and under a clip shorter than itself it shows a wrongly placed band of rows.
void drawWindowColumns(Gtk::Window& window, PixelRect part, const DrawnColumns& columns) {
    auto cr = Cairo::Context::create(columns.surface);
    const PixelSize origin = contentOrigin(window);
    cr->translate(-(origin.width + part.x), -origin.height);
    // A size change still waiting for the next frame (the capture surface's, say) is carried
    // out first: a window draws only with its allocation up to date.
    gtk_container_check_resize(GTK_CONTAINER(window.gobj()));
    gtk_widget_draw(GTK_WIDGET(window.gobj()), cr->cobj());
    columns.surface->flush();
}

// `part` of the drawn columns at `width` x `height`, each pixel the average of the area it
// covers. Shrinking, the surface's own pixels are averaged in one pass; a larger thumbnail
// than its source (a tiny window) is scaled up by gdk-pixbuf.
Glib::RefPtr<Gdk::Pixbuf> shrunkPart(const Cairo::RefPtr<Cairo::ImageSurface>& columns,
                                     PixelRect part, int width, int height) {
    if (width > part.width || height > part.height) {
        auto pixels = Gdk::Pixbuf::create(Cairo::RefPtr<Cairo::Surface>(columns), 0, part.y,
                                          part.width, part.height);
        auto scaled = pixels->scale_simple(width, height, Gdk::INTERP_BILINEAR);
        if (!scaled)
            throw std::runtime_error("no memory for the thumbnail");
        return scaled;
    }
    const int stride = columns->get_stride();
    const std::vector<std::uint8_t> rgb =
        shrinkByAveraging(columns->get_data() + static_cast<std::size_t>(part.y) * stride,
                          part.width, part.height, stride, width, height);
    auto shrunk = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, width, height);
    if (!shrunk)
        throw std::runtime_error("no memory for the thumbnail");
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(shrunk->get_pixels() + static_cast<std::size_t>(y) * shrunk->get_rowstride(),
                    rgb.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    return shrunk;
}

} // namespace

Glib::RefPtr<Gdk::Pixbuf> copyAndShrink(Gtk::Window& window, PixelRect source, int width,
                                        int height, std::uint32_t plainColour) {
    // Larger than any screen, a "thumbnail" would only exhaust memory (stored sizes can be
    // anything a hand-edited settings file holds).
    constexpr int kLargestSide = 4096;
    if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide)
        throw std::runtime_error("a thumbnail needs a size from 1 to 4096 pixels");
    const Gtk::Widget* content = window.get_child();
    if (window.get_mapped() && content && source.width > 0 && source.height > 0) {
        // Keep to the window's own pixels; anything outside it does not exist on screen.
        const int clientHeight = content->get_allocated_height();
        const int right = std::min(source.x + source.width, content->get_allocated_width());
        const int bottom = std::min(source.y + source.height, clientHeight);
        const int left = std::max(source.x, 0);
        const int top = std::max(source.y, 0);
        if (right > left && bottom > top) {
            const PixelRect part{left, top, right - left, bottom - top};
            const DrawnColumns columns(part.width, clientHeight);
            drawWindowColumns(window, part, columns);
            return shrunkPart(columns.surface, part, width, height);
        }
    }
    auto plain = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, width, height);
    const Rgb colour = decodeColour(plainColour);
    plain->fill((guint32(colour.red) << 24) | (guint32(colour.green) << 16) |
                (guint32(colour.blue) << 8) | 0xFF);
    return plain;
}

} // namespace quillet
