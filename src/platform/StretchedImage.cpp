// SPDX-License-Identifier: MIT
#include "StretchedImage.h"

#include <gdkmm/general.h>

namespace quillet {

bool StretchedImage::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const int width = get_allocated_width();
    const int height = get_allocated_height();
    if (width > 0 && height > 0) {
        cr->scale(static_cast<double>(width) / picture_->get_width(),
                  static_cast<double>(height) / picture_->get_height());
        Gdk::Cairo::set_source_pixbuf(cr, picture_, 0, 0);
        cr->paint();
    }
    return true;
}

} // namespace quillet
