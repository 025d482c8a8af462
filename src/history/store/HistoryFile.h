// SPDX-License-Identifier: MIT
#pragma once
// Where the kept history lives ($XDG_DATA_HOME/Quillet/history.sqlite, the folder 0700 and the
// file 0600), and what happens to a file this version cannot use: it is moved aside under
// history.sqlite.broken-<time>, never deleted or written to, and a fresh history starts.

#include "HistoryStore.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

namespace quillet {

inline constexpr const char* kHistoryFileName = "history.sqlite";

std::string keptHistoryFolder(); // $XDG_DATA_HOME/Quillet

struct OpenedHistory {
    std::unique_ptr<HistoryStore> store;
    std::string setAsideAs; // the path an unusable file was moved to; empty when none was
    bool sealedNow = false; // a plain file was written anew sealed
};

// A sealed history and no key to open it with: it is left as it is.
class SealedHistoryWithoutKey : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// With `seal`, the file is sealed with its key: a plain file is sealed first, and a file the
// key does not open is set aside like any unusable one. Without, the file is kept plain.
// Throws SealedHistoryWithoutKey, and SqliteError (or std::system_error for the folder) when
// no history can be opened there at all: a read-only folder, a full disk.
OpenedHistory openKeptHistory(const std::string& folder, std::chrono::system_clock::time_point now,
                              const SealedVfs* seal);

// Removes the history file with its log files. Nothing to remove is not an error.
void deleteKeptHistory(const std::string& folder);

} // namespace quillet
