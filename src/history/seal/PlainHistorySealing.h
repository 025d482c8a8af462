// SPDX-License-Identifier: MIT
#pragma once
// A kept history written before it was sealed (or kept unsealed where no keyring answered),
// written anew sealed: the copy is made beside it under another name and takes its place in
// one rename, so a process killed at any moment leaves either the plain file whole or the
// sealed one whole. The plain file's bytes are then overwritten with zeros.

#include "SealedVfs.h"

#include <string>

namespace quillet {

enum class HistoryFileForm { Absent, Plain, Sealed };

// What the file at `path` is: none (or empty), SQLite's own plain form, or sealed.
HistoryFileForm historyFileForm(const std::string& path);

// Seals the plain history at `path` (its log included). False, the file left plain, when
// another Quillet is writing to it now; throws SqliteError or std::system_error on failure,
// the plain file then unchanged.
bool sealPlainHistory(const std::string& path, const SealedVfs& seal);

// Removes a copy a killed process left half made.
void removeUnfinishedSealing(const std::string& path);

} // namespace quillet
