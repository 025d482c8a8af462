// SPDX-License-Identifier: MIT
#pragma once
// What a typed address means when it names no scheme: "example.com/a" and "localhost:8080/x"
// are web addresses. Plain text stays as it is, so it fails as an address and is never sent
// to a search engine.

#include <string>

namespace quillet {

// `typed` with "http://" in front when it is a host (a name with a dot, "localhost" or an IP
// address, with an optional port and path) without a scheme; anything else unchanged.
std::string withWebScheme(const std::string& typed);

} // namespace quillet
