// SPDX-License-Identifier: MIT
#pragma once
// SQLite's temporary files (sorts, VACUUM's copy, statement journals) held in memory, so
// nothing of the kept history is ever written to them on disk.

#include <sqlite3.h>

#include <cstddef>

namespace quillet {

// Opens one in `file`, which SQLite sized to at least memoryFileSize() bytes.
int openMemoryFile(sqlite3_file* file, int flags, int* outFlags);
std::size_t memoryFileSize();

} // namespace quillet
