// SPDX-License-Identifier: MIT
#pragma once
// Per-user text values addressed by application, section and key, kept in
// <config folder>/<application>/settings.ini (a GKeyFile; the section is its group).
// Every write replaces the file atomically, under a lock on its folder that other Quillet
// processes writing at the same time wait for. A file that cannot be read or parsed reads as
// if no key were stored, and is set aside under a new name before it is first replaced,
// so nothing the user had is lost without a trace.

#include "StoredSettings.h"

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace quillet {

class SettingsStore {
  public:
    // `configFolder` is normally the XDG config folder ($XDG_CONFIG_HOME or ~/.config).
    explicit SettingsStore(std::string configFolder);
    static SettingsStore forCurrentUser();

    // A store for a private run: it reads this store's file, but keeps what is written in
    // memory, shared by its copies and read back by them, and never touches the file.
    SettingsStore keptInMemory() const;

    // The stored text, or `fallback` when the key (or the whole file) is absent or unreadable.
    std::string read(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& fallback) const;

    // Stores the text, creating folder, file, section and key as needed. Throws
    // std::runtime_error when the file cannot be written.
    void write(const std::string& app, const std::string& section, const std::string& key,
               const std::string& text) const;

    // The windows' own settings, in their section.
    std::string read(const StoredSetting& setting) const {
        return read(kSettingsApp, kSettingsSection, setting.key, setting.fallback);
    }
    void write(const StoredSetting& setting, const std::string& text) const {
        write(kSettingsApp, kSettingsSection, setting.key, text);
    }
    // Several of them in one replacement of the file: they are stored together, so two windows
    // closing at once cannot leave one's width beside the other's height.
    void write(std::initializer_list<std::pair<StoredSetting, std::string>> values) const;

    std::string filePath(const std::string& app) const;

  private:
    void write(const std::string& app, const std::string& section,
               const std::vector<std::pair<std::string, std::string>>& values) const;
    using Key = std::tuple<std::string, std::string, std::string>; // app, section, key
    std::string configFolder_;
    std::shared_ptr<std::map<Key, std::string>> unsaved_; // set in a private run
};

} // namespace quillet
