// SPDX-License-Identifier: MIT
#pragma once
// Packs a thumbnail losslessly (PNG) so that a full history stays small, and unpacks it; and
// draws a saved page's SVG pictures for it to be shown again.

#include "ImageList.h"
#include "LookSignature.h"

#include <cstdint>
#include <gdkmm/pixbuf.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

PackedImage packThumbnail(const Glib::RefPtr<Gdk::Pixbuf>& picture);
// The picture as a file of `format` ("png", "bmp"), with gdk-pixbuf's options for it.
std::vector<std::uint8_t> encodePicture(const Glib::RefPtr<Gdk::Pixbuf>& picture,
                                        const std::string& format,
                                        const std::vector<Glib::ustring>& keys = {},
                                        const std::vector<Glib::ustring>& values = {});
Glib::RefPtr<Gdk::Pixbuf> unpackThumbnail(const PackedImage& packed);
// An SVG file drawn at its own size, as a PNG file; none when it cannot be drawn or names a
// size no page shows. Any thread.
std::optional<std::string> drawSvgAsPng(std::string_view svg);
// How a packed thumbnail looks (none when it cannot be unpacked). Any thread.
std::optional<LookSignature> lookOfThumbnail(const PackedImage& packed);

} // namespace quillet
