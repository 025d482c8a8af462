// SPDX-License-Identifier: MIT
#include "DownloadNames.h"

namespace quillet {

std::string safeDownloadName(const std::string& suggested) {
    std::string name = suggested.substr(suggested.find_last_of("/\\") + 1);
    while (!name.empty() && (name.front() == '.' || name.front() == ' '))
        name.erase(0, 1);
    return name.empty() ? "download" : name;
}

std::string freeDownloadPath(const std::string& folder, const std::string& name,
                             const std::function<bool(const std::string&)>& taken) {
    const auto dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot) : "";
    std::string path = folder + "/" + name;
    for (int n = 1; taken(path); ++n)
        path = folder + "/" + stem + " (" + std::to_string(n) + ")" + extension;
    return path;
}

} // namespace quillet
