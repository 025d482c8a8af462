// SPDX-License-Identifier: MIT
#include "TypedAddress.h"

#include <algorithm>
#include <cctype>

namespace quillet {
namespace {

bool isHostCharacter(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c >= 0x80; // 0x80 up: a UTF-8 name
}

// "host", "host:port": a host name with a dot, "localhost", or an IPv6 address in brackets,
// optionally followed by a port of digits only.
bool isHostAndPort(const std::string& authority) {
    if (authority.starts_with('[')) // [::1]:8080
        return authority.find(']') != std::string::npos;
    const auto colon = authority.find(':');
    const std::string host = authority.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (port.empty() ||
            !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }))
            return false;
    }
    if (host.empty() || host.front() == '.' || host.back() == '.' ||
        !std::all_of(host.begin(), host.end(), isHostCharacter))
        return false;
    return host == "localhost" || host.find('.') != std::string::npos;
}

} // namespace

std::string withWebScheme(const std::string& typed) {
    if (typed.find("://") != std::string::npos)
        return typed;
    const std::string authority = typed.substr(0, typed.find_first_of("/?#"));
    return isHostAndPort(authority) ? "http://" + typed : typed;
}

} // namespace quillet
