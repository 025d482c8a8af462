// SPDX-License-Identifier: MIT
#include "CommandLine.h"

namespace quillet {

CommandLineAnswer answerCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return {};
    if (arguments.size() == 1 && arguments[0] == "--version")
        return {false, 0, "Quillet " QUILLET_VERSION "\n", ""};
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h"))
        return {false, 0,
                "Usage: quillet [OPTION]\n"
                "A web browser that keeps a visual history of the pages you view.\n"
                "表示したページをサムネイル付きの履歴に残すウェブブラウザーです。\n"
                "\n"
                "  -h, --help     show this help and exit\n"
                "      --version  show the version and exit\n"
                "\n"
                "Quillet takes no other arguments. Its settings are kept in\n"
                "$XDG_CONFIG_HOME/Quillet/settings.ini.\n",
                ""};
    return {false, 2, "",
            "quillet: unknown argument '" + arguments[0] + "'; Quillet takes none (try --help)\n"};
}

} // namespace quillet
