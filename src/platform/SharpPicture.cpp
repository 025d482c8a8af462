// SPDX-License-Identifier: MIT
#include "SharpPicture.h"

#include <gdkmm/general.h>
#include <gtk/gtk.h>

namespace quillet {
namespace {

std::string atScale(const std::string& resource, int scale) {
    if (scale < 2)
        return resource;
    const auto dot = resource.rfind('.');
    return resource.substr(0, dot) + "@2x" + resource.substr(dot);
}

void draw(Gtk::Image& image, const std::string& resource, int width, int height) {
    const int scale = image.get_scale_factor() >= 2 ? 2 : 1;
    auto pixels = Gdk::Pixbuf::create_from_resource(atScale(resource, scale), width * scale,
                                                    height * scale, false);
    // A surface that knows its scale is drawn at width x height screen pixels, one picture
    // pixel to each device pixel.
    cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(pixels->gobj(), scale, nullptr);
    gtk_image_set_from_surface(image.gobj(), surface);
    cairo_surface_destroy(surface); // the image keeps its own reference
}

} // namespace

void showSharpPicture(Gtk::Image& image, const std::string& resource, int width, int height) {
    draw(image, resource, width, height);
    image.property_scale_factor().signal_changed().connect(
        [&image, resource, width, height] { draw(image, resource, width, height); });
}

} // namespace quillet
