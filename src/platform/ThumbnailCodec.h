// SPDX-License-Identifier: MIT
#pragma once
// Packs a thumbnail losslessly (PNG) so that a full history stays small, and unpacks it.

#include "ImageList.h"

#include <gdkmm/pixbuf.h>

namespace quillet {

PackedImage packThumbnail(const Glib::RefPtr<Gdk::Pixbuf>& picture);
Glib::RefPtr<Gdk::Pixbuf> unpackThumbnail(const PackedImage& packed);

} // namespace quillet
