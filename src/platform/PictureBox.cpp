// SPDX-License-Identifier: MIT
#include "PictureBox.h"

#include <gdkmm/general.h>

namespace quillet {

void PictureBox::setImage(Glib::RefPtr<Gdk::Pixbuf> picture) {
    image_ = std::move(picture);
    queue_draw();
}

bool PictureBox::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    if (image_) {
        Gdk::Cairo::set_source_pixbuf(cr, image_, 0, 0);
        cr->paint();
    }
    return true;
}

} // namespace quillet
