// SPDX-License-Identifier: MIT
#pragma once
// The engine never finishes loading a saved page that holds an SVG picture (its load waits on
// the picture for good), so a copy is shown with each SVG picture drawn as a PNG of its own
// size; one that cannot be drawn is left out, and the page shows it as missing.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// Draws an SVG file as a PNG file; none when it cannot.
using DrawVectorPicture = std::function<std::optional<std::string>(std::string_view svg)>;

// The saved page with its SVG parts drawn by `draw`; as it is when it holds none, or is no
// multipart message.
std::string withVectorPicturesDrawn(std::string_view archive, const DrawVectorPicture& draw);

// A part's body as the bytes it stands for: base64 and quoted-printable decoded, any other
// encoding as it is. None when the encoding is broken.
std::optional<std::string> decodedBody(std::string_view part);

} // namespace quillet
