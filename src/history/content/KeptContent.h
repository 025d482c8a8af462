// SPDX-License-Identifier: MIT
#pragma once
// Which shown pages the kept history stores without their content (text and thumbnail): those
// whose content is a secret or was asked not to be stored. Decided by facts of the page, not
// by guessing at its words or pixels.

#include <string>
#include <string_view>

namespace quillet {

struct ContentWithheld {
    bool secretField = false;          // a password, card or one-time-code field
    bool noStore = false;              // its main response said Cache-Control: no-store
    bool authenticated = false;        // reached through HTTP authentication
    bool certificateException = false; // its TLS certificate was not trusted, yet shown
    bool any() const { return secretField || noStore || authenticated || certificateException; }
};

// The text a page shows, and why its content is not to be kept, if it is not.
struct PageContent {
    std::string text;
    ContentWithheld withheld;
};

// Whether a Cache-Control header's value holds the no-store directive (in any case, among
// other directives; a quoted argument of another directive does not count).
bool saysNoStore(std::string_view cacheControl);

} // namespace quillet
