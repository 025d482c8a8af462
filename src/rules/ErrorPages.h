// SPDX-License-Identifier: MIT
#pragma once
// The pages Quillet shows in place of a page that could not be shown: a load that failed, a
// certificate that could not be trusted, a page whose web process ended.

#include <string>
#include <string_view>

namespace quillet {

enum class PageProblem { LoadFailed, UntrustedCertificate, ProcessEnded };

// Text made safe to stand in HTML text and attribute values.
std::string htmlEscape(std::string_view text);

// A small Japanese page naming the address and, where given, the reason.
std::string errorPageHtml(PageProblem problem, std::string_view address, std::string_view detail);

} // namespace quillet
