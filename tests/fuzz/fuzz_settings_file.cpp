// SPDX-License-Identifier: MIT
// Any bytes in the settings file: reading gives text or the default, and writing afterwards
// keeps the unreadable file aside or the other keys as they were.
#include "SettingsStore.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder = [] {
        std::string pattern = "/tmp/quillet-fuzz-settings-XXXXXX";
        return std::string(mkdtemp(pattern.data()));
    }();
    std::filesystem::remove_all(folder + "/Quillet");
    std::filesystem::create_directories(folder + "/Quillet");
    std::ofstream(folder + "/Quillet/settings.ini", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    const quillet::SettingsStore settings(folder);
    settings.read("Quillet", "sets", "width_main", "8000");
    settings.write("Quillet", "sets", "width_main", "7995");
    if (settings.read("Quillet", "sets", "width_main", "") != "7995")
        std::abort();
    return 0;
}
