// SPDX-License-Identifier: MIT
#include "ThumbnailCodec.h"

#include "GObjectPtr.h"

#include <gdkmm/pixbufloader.h>
#include <stdexcept>

namespace quillet {

PackedImage packThumbnail(const Glib::RefPtr<Gdk::Pixbuf>& picture) {
    gchar* buffer = nullptr;
    gsize size = 0;
    // Level 6 is zlib's balance; thumbnails are small, so packing stays well under a millisecond.
    picture->save_to_buffer(buffer, size, "png", {"compression"}, {"6"});
    const GMallocPtr<gchar> owned(buffer);
    return {picture->get_width(), picture->get_height(),
            std::vector<std::uint8_t>(owned.get(), owned.get() + size)};
}

Glib::RefPtr<Gdk::Pixbuf> unpackThumbnail(const PackedImage& packed) {
    auto loader = Gdk::PixbufLoader::create("png");
    loader->write(packed.bytes.data(), packed.bytes.size());
    loader->close();
    auto picture = loader->get_pixbuf();
    if (!picture)
        throw std::runtime_error("thumbnail cannot be unpacked");
    return picture;
}

} // namespace quillet
