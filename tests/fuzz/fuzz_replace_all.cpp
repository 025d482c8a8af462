// SPDX-License-Identifier: MIT
// ReplaceAll and the file-name rule on any text: no crash, no replaced character left, and
// never a path separator in a file name.
#include "ExportWriter.h"
#include "modPublic.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // text \x1f find \x1f replacement
    const auto first = input.find('\x1f');
    const auto second = first == std::string::npos ? first : input.find('\x1f', first + 1);
    if (second != std::string::npos) {
        std::string text = input.substr(0, first);
        const std::string find = input.substr(first + 1, second - first - 1);
        const std::string replacement = input.substr(second + 1);
        if (!find.empty()) {
            const std::size_t before = text.size();
            const int count = quillet::modPublic::ReplaceAll(text, find, replacement, 3);
            if (count < 0 || count > 3 ||
                text.size() != before + count * (replacement.size() - find.size()))
                std::abort();
        }
    }
    const std::string name = quillet::shortcutFileName(input);
    if (name.find_first_of("\\/:,;*?\"<>|") != std::string::npos || name.size() != input.size())
        std::abort();
    return 0;
}
