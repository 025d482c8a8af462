// SPDX-License-Identifier: MIT
#pragma once
// Where the page view may go, and who may send it there. Quillet's own pages (quillet://) are
// entered only from Quillet's controls, never by a page; an address of a scheme the view does
// not show (mailto:, tel:, magnet:, ...) goes to the desktop's program for it only after a
// click or key of the user's on the page and the user's yes to a question.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace quillet {

inline constexpr const char* kHomeAddress = "quillet://home/";
// A page of the kept history as it was seen, served from its saved copy: one of Quillet's
// addresses, but the page in it is the web's, and is never trusted as Quillet's own.
inline constexpr const char* kSavedCopyAddress = "quillet://saved/";
bool isSavedCopyAddress(std::string_view address);

enum class AddressKind {
    Web,      // shown by the view itself: http, https, file, data, about, blob
    BuiltIn,  // Quillet's own pages: quillet://
    Elsewhere // handed to the desktop's program for its scheme
};
AddressKind addressKind(std::string_view address);
std::string schemeOf(std::string_view address); // lower case; empty when there is none

// How a navigation came about, as far as the view says.
enum class NavigationCause {
    Quillet,     // Quillet's own controls asked for this very address (address box, menu, keys)
    BackForward, // the view's back and forward list, or a reload
    Page,        // a page: a link, form, script, frame or redirect
};
// Whether the view may enter one of Quillet's own pages: only when Quillet asked for it, or
// from one of Quillet's own pages (the timeline's own form and links), or back to one. A saved
// copy is not one of them.
bool mayEnterBuiltInPage(NavigationCause cause, std::string_view shownAddress);

// The question before a page's address goes to the desktop:
// 「このページが <program> で <address> を開こうとしています。」
std::string openElsewhereQuestion(std::string_view program, std::string_view address);
// The status line's word when a page tried without the user's click or key, or was refused.
std::string openElsewhereRefused(std::string_view address);

// The user's answers until the program ends, per site and scheme.
class OpenElsewhereAnswers {
  public:
    std::optional<bool> answer(const std::string& site, const std::string& scheme) const;
    void remember(const std::string& site, const std::string& scheme, bool open);

  private:
    std::map<std::pair<std::string, std::string>, bool> answers_;
};

} // namespace quillet
