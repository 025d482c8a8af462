// SPDX-License-Identifier: MIT
#include "AddressRules.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quillet {

std::string schemeOf(std::string_view address) {
    // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
    const auto colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(address[0])))
        return {};
    std::string scheme;
    for (const char c : address.substr(0, colon)) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '+' && c != '-' && c != '.')
            return {};
        scheme += static_cast<char>(std::tolower(u));
    }
    return scheme;
}

AddressKind addressKind(std::string_view address) {
    static constexpr std::array kShown{"http", "https", "file", "data", "about", "blob"};
    const std::string scheme = schemeOf(address);
    if (scheme == "quillet")
        return AddressKind::BuiltIn;
    if (scheme.empty() || std::ranges::find(kShown, scheme) != kShown.end())
        return AddressKind::Web;
    return AddressKind::Elsewhere;
}

bool isSavedCopyAddress(std::string_view address) {
    // Scheme and host in any case: the view may be handed either.
    const std::string_view prefix = kSavedCopyAddress;
    if (address.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(address[i])) != prefix[i])
            return false;
    return true;
}

bool mayEnterBuiltInPage(NavigationCause cause, std::string_view shownAddress) {
    switch (cause) {
    case NavigationCause::Quillet:
    case NavigationCause::BackForward:
        return true;
    case NavigationCause::Page:
        return addressKind(shownAddress) == AddressKind::BuiltIn &&
               !isSavedCopyAddress(shownAddress);
    }
    return false;
}

std::string openElsewhereQuestion(std::string_view program, std::string_view address) {
    return "このページが " + std::string(program) + " で " + std::string(address) +
           " を開こうとしています。";
}

std::string openElsewhereRefused(std::string_view address) {
    return "このページが " + schemeOf(address) + ": のアドレスを開こうとしました";
}

std::optional<bool> OpenElsewhereAnswers::answer(const std::string& site,
                                                 const std::string& scheme) const {
    const auto found = answers_.find({site, scheme});
    if (found == answers_.end())
        return std::nullopt;
    return found->second;
}

void OpenElsewhereAnswers::remember(const std::string& site, const std::string& scheme, bool open) {
    answers_[{site, scheme}] = open;
}

} // namespace quillet
