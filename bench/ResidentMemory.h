// SPDX-License-Identifier: MIT
#pragma once
// The benchmarks' reading of this process's resident memory.

#include <fstream>
#include <string>

namespace quillet::bench {

inline long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return 0;
}

} // namespace quillet::bench
