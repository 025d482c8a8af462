// SPDX-License-Identifier: MIT
#include "SettingsStore.h"

#include "FolderLock.h"

#include <glibmm/fileutils.h>
#include <glibmm/keyfile.h>
#include <glibmm/miscutils.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <glib/gstdio.h>
#include <stdexcept>

namespace quillet {
namespace {

enum class FileState { Absent, Loaded, Unusable };

FileState loadKeyFile(Glib::KeyFile& keyFile, const std::string& path) {
    try {
        keyFile.load_from_file(path, Glib::KEY_FILE_KEEP_COMMENTS);
        return FileState::Loaded;
    } catch (const Glib::FileError& error) {
        return error.code() == Glib::FileError::NO_SUCH_ENTITY ? FileState::Absent
                                                               : FileState::Unusable;
    } catch (const Glib::Error&) {
        return FileState::Unusable;
    }
}

// Moves an unreadable store out of the way: settings.ini.unreadable-20261207-043000.
void setAside(const std::string& path) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = path + ".unreadable-" + stamp;
    for (int n = 2; Glib::file_test(aside, Glib::FILE_TEST_EXISTS); ++n)
        aside = path + ".unreadable-" + stamp + "-" + std::to_string(n);
    if (g_rename(path.c_str(), aside.c_str()) != 0)
        throw std::runtime_error("cannot set aside the unreadable settings file " + path);
}

// A write replaces the file through a temporary beside it (settings.ini.XXXXXX); one killed
// in the middle leaves that behind. Called under the folder's lock, when no write is under way.
void removeUnfinishedWrites(const std::string& path) {
    const std::string folder = Glib::path_get_dirname(path);
    const std::string prefix = Glib::path_get_basename(path) + ".";
    Glib::Dir entries(folder);
    for (const std::string& name : entries) {
        const bool temporary =
            name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
            std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
        if (temporary)
            g_unlink(Glib::build_filename(folder, name).c_str());
    }
}

} // namespace

SettingsStore::SettingsStore(std::string configFolder) : configFolder_(std::move(configFolder)) {}

SettingsStore SettingsStore::forCurrentUser() {
    return SettingsStore(Glib::get_user_config_dir());
}

SettingsStore SettingsStore::keptInMemory() const {
    SettingsStore copy(configFolder_);
    copy.unsaved_ = std::make_shared<std::map<Key, std::string>>();
    return copy;
}

std::string SettingsStore::filePath(const std::string& app) const {
    return Glib::build_filename(configFolder_, app, "settings.ini");
}

std::string SettingsStore::read(const std::string& app, const std::string& section,
                                const std::string& key, const std::string& fallback) const {
    if (unsaved_) {
        const auto written = unsaved_->find({app, section, key});
        if (written != unsaved_->end())
            return written->second;
    }
    Glib::KeyFile keyFile;
    if (loadKeyFile(keyFile, filePath(app)) != FileState::Loaded)
        return fallback;
    try {
        return keyFile.get_string(section, key);
    } catch (const Glib::KeyFileError&) {
        return fallback;
    }
}

void SettingsStore::write(const std::string& app, const std::string& section,
                          const std::string& key, const std::string& text) const {
    write(app, section, {{key, text}});
}

void SettingsStore::write(
    std::initializer_list<std::pair<StoredSetting, std::string>> values) const {
    std::vector<std::pair<std::string, std::string>> keyed;
    for (const auto& [setting, text] : values)
        keyed.emplace_back(setting.key, text);
    write(kSettingsApp, kSettingsSection, keyed);
}

void SettingsStore::write(const std::string& app, const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& values) const {
    if (unsaved_) {
        for (const auto& [key, text] : values)
            (*unsaved_)[{app, section, key}] = text;
        return;
    }
    const std::string path = filePath(app);
    const std::string folder = Glib::path_get_dirname(path);
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0)
        throw std::runtime_error("cannot create the settings folder " + folder);
    // Another window may be writing too (two close at once): reading, changing and replacing
    // the file under one lock, neither loses what the other wrote.
    const FolderLock lock(folder); // a std::system_error, a runtime_error, if it cannot be had
    removeUnfinishedWrites(path);
    Glib::KeyFile keyFile;
    if (loadKeyFile(keyFile, path) == FileState::Unusable)
        setAside(path);
    for (const auto& [key, text] : values)
        keyFile.set_string(section, key, text);
    try {
        Glib::file_set_contents(path, keyFile.to_data());
    } catch (const Glib::FileError& error) {
        throw std::runtime_error("cannot write the settings file: " + error.what());
    }
}

} // namespace quillet
