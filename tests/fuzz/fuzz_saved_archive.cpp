// SPDX-License-Identifier: MIT
// A saved page's message taken apart, whatever bytes a hostile page made its process write:
// never a crash, and parts that give back exactly the bytes given; the page's address, read
// from its first part, one line; its parts decoded, and its SVG pictures drawn again, without
// a crash and into a message that still comes apart.
#include "SavedArchive.h"
#include "SavedPictures.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto split = quillet::splitArchive(input);
    if (split) {
        if (split->parts.empty() || quillet::joinArchive(*split) != input)
            std::abort();
        for (const std::string& part : split->parts)
            (void)quillet::decodedBody(part);
        const std::string drawn = quillet::withVectorPicturesDrawn(input, [](std::string_view svg) {
            return std::optional<std::string>("P" + std::string(svg));
        });
        if (drawn != input && !quillet::splitArchive(drawn))
            std::abort();
    }
    if (const auto address = quillet::archiveAddress(input))
        if (address->find_first_of("\r\n") != std::string::npos)
            std::abort(); // one header's value, never more
    return 0;
}
