// SPDX-License-Identifier: MIT
#pragma once
// A page saved as the engine saves it (MHTML: a MIME multipart/related message) taken apart
// into its parts (the page's HTML, each style sheet, picture, font and frame, each with its own
// header) and put together again byte for byte, so that a part several saved pages share is
// kept once.

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

struct ArchiveParts {
    std::string head;               // the message's header, up to its first part
    std::string boundary;           // what stands between the parts
    std::vector<std::string> parts; // each part's header and body, as archived
    std::string tail;               // whatever follows the last part's end
};

// The parts of a saved page; none when it is not a multipart message that joinArchive gives
// back exactly as it is (then it is kept whole).
std::optional<ArchiveParts> splitArchive(std::string_view archive);
std::string joinArchive(const ArchiveParts& archive);

// The address the message's first part (the page itself) came from; none when it names none,
// or not as one line of printable characters.
std::optional<std::string> archiveAddress(std::string_view archive);

// The addresses of the frames the page held, each saved as a part of its own (an HTML part
// after the first): the only pages a saved copy loads into its frames.
std::set<std::string> archiveFrameAddresses(std::string_view archive);

// A part's header: up to its blank line (the whole part when it has none).
std::string_view partHeader(std::string_view part);
// A part's Content-Type without its parameters, in small letters ("" when it names none).
std::string partType(std::string_view part);

// The header `name`'s value in the header block `header` (unfolded; the first of its kind).
std::optional<std::string> headerValue(std::string_view header, std::string_view name);

} // namespace quillet
