// SPDX-License-Identifier: MIT
#include "KeptContent.h"

#include <glib.h>

namespace quillet {

bool saysNoStore(std::string_view cacheControl) {
    // Directives are parted by commas outside quoted strings; a directive's name ends at "=".
    std::string directive;
    bool quoted = false, escaped = false;
    const auto isNoStore = [&] {
        std::string_view name = directive;
        if (const auto equals = name.find('='); equals != std::string_view::npos)
            name = name.substr(0, equals);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
            name.remove_prefix(1);
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
            name.remove_suffix(1);
        return g_ascii_strncasecmp(name.data(), "no-store", 8) == 0 && name.size() == 8;
    };
    for (const char c : cacheControl) {
        if (quoted) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                quoted = false;
            continue;
        }
        if (c == '"') {
            quoted = true;
            directive += c;
        } else if (c == ',') {
            if (isNoStore())
                return true;
            directive.clear();
        } else {
            directive += c;
        }
    }
    return isNoStore();
}

} // namespace quillet
