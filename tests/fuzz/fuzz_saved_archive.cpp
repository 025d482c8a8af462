// SPDX-License-Identifier: MIT
// A saved page's message taken apart, whatever bytes a hostile page made its process write:
// never a crash, and parts that give back exactly the bytes given; the page's address, read
// from its first part, one line.
#include "SavedArchive.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (const auto split = quillet::splitArchive(input))
        if (split->parts.empty() || quillet::joinArchive(*split) != input)
            std::abort();
    if (const auto address = quillet::archiveAddress(input))
        if (address->find_first_of("\r\n") != std::string::npos)
            std::abort(); // one header's value, never more
    return 0;
}
