// SPDX-License-Identifier: MIT
#pragma once
// The command line: addresses to visit, a private run, and --version and --help answered as
// desktop programs do, before any window opens.

#include "Privacy.h"

#include <string>
#include <vector>

namespace quillet {

struct CommandLineAnswer {
    bool run = true;                    // open the browser
    int exitCode = 0;                   // when not running
    std::string out;                    // for standard output
    std::string err;                    // for standard error
    std::vector<std::string> addresses; // to visit in turn, the first instead of the home page
    Privacy privacy = Privacy::Normal;  // --private: the run leaves nothing behind
};

// `currentFolder` resolves relative paths of local files.
CommandLineAnswer answerCommandLine(const std::vector<std::string>& arguments,
                                    const std::string& currentFolder = "/");

// An argument as the address to visit: one with a scheme as it is; a local file's path (one
// that exists, or that begins with /, ./ or ../) as its absolute file:// address; anything else
// as typed, so a host without a scheme goes over http:// as in the address box.
std::string addressFromArgument(const std::string& argument, const std::string& currentFolder);

} // namespace quillet
