// SPDX-License-Identifier: MIT
#pragma once
// The command line: Quillet takes no arguments, but answers --version and --help as desktop
// programs do, before any window opens.

#include <string>
#include <vector>

namespace quillet {

struct CommandLineAnswer {
    bool run = true;  // open the browser
    int exitCode = 0; // when not running
    std::string out;  // for standard output
    std::string err;  // for standard error
};

CommandLineAnswer answerCommandLine(const std::vector<std::string>& arguments);

} // namespace quillet
