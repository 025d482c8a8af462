// SPDX-License-Identifier: MIT
#include "CommandLine.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <glib.h>
#include <memory>

namespace quillet {
namespace {

constexpr const char* kHelp =
    "Usage: quillet [OPTION...] [ADDRESS...]\n"
    "A web browser that keeps a visual history of the pages you view.\n"
    "表示したページをサムネイル付きの履歴に残すウェブブラウザーです。\n"
    "\n"
    "Each ADDRESS is visited in turn, the first instead of the home page, as if typed\n"
    "in the address box: a web address (https://example.org/, or example.org for http://) or the "
    "path\n"
    "of a local file (./page.html, /usr/share/doc/.../index.html).\n"
    "\n"
    "      --private  a private window: the run leaves nothing behind. Settings are\n"
    "                 not stored, cookies and the cache last only as long as the\n"
    "                 window, and no page goes into the kept history.\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "      --         what follows is an address, even if it begins with -\n"
    "\n"
    "Its settings are kept in $XDG_CONFIG_HOME/Quillet/settings.ini; cookies, other site\n"
    "data and the kept history in $XDG_DATA_HOME/Quillet; the cache in\n"
    "$XDG_CACHE_HOME/Quillet.\n";

// "http:", "file:", "about:" and the like, but not "localhost:8080" (a host and its port).
bool hasScheme(const std::string& text) {
    const std::unique_ptr<char, decltype(&g_free)> scheme(g_uri_parse_scheme(text.c_str()), g_free);
    if (!scheme)
        return false;
    const std::size_t after = std::strlen(scheme.get()) + 1;
    return after >= text.size() || !std::isdigit(static_cast<unsigned char>(text[after]));
}

} // namespace

std::string addressFromArgument(const std::string& argument, const std::string& currentFolder) {
    namespace fs = std::filesystem;
    if (hasScheme(argument))
        return argument;
    const fs::path path(argument);
    const bool looksLikePath = argument.starts_with("/") || argument.starts_with("./") ||
                               argument.starts_with("../") || argument == "." || argument == "..";
    std::error_code error;
    const fs::path absolute =
        (path.is_absolute() ? path : fs::path(currentFolder) / path).lexically_normal();
    if (!looksLikePath && !fs::exists(absolute, error))
        return argument;
    const std::string normal = absolute.string();
    const std::unique_ptr<char, decltype(&g_free)> uri(
        g_filename_to_uri(normal.c_str(), nullptr, nullptr), g_free);
    return uri ? uri.get() : argument;
}

CommandLineAnswer answerCommandLine(const std::vector<std::string>& arguments,
                                    const std::string& currentFolder) {
    if (arguments.size() == 1 && arguments[0] == "--version")
        return {false, 0, "Quillet " QUILLET_VERSION "\n", "", {}};
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h"))
        return {false, 0, kHelp, "", {}};
    CommandLineAnswer answer;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument == "--private") {
            answer.privacy = Privacy::Private;
            continue;
        }
        if (argument.empty() || (!optionsEnded && argument.starts_with("-")))
            return {false, 2, "", "quillet: unknown option '" + argument + "' (try --help)\n", {}};
        answer.addresses.push_back(addressFromArgument(argument, currentFolder));
    }
    return answer;
}

} // namespace quillet
