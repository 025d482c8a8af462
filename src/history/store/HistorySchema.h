// SPDX-License-Identifier: MIT
#pragma once
// The kept history's tables: the ladder of versions that makes them, and what a file must hold
// to be taken as Quillet's. A file is only ever read as a history when its schema is exactly what
// the ladder makes at its version: a trigger, a view or a table that another program planted
// would otherwise run, or be read as ours, every time Quillet writes to the file.

#include "Sqlite.h"

#include <cstdint>
#include <string>

namespace quillet {

inline constexpr int kHistorySchemaVersion = 7;

// The text and title indexes' module and arguments, for a table that replaces one: "fts5(...)".
extern const char* const kTextIndex;
extern const char* const kTitleIndex;

// Runs the ladder's steps from version `from` up to kHistorySchemaVersion (no transaction of
// its own), and sets the file's version.
void migrateHistorySchema(Database& db, int from);

// A file's version and schema objects, read in one statement, so both are of the same moment
// (another Quillet may be making the file meanwhile).
struct HistorySchema {
    std::int64_t version = 0;
    bool empty = true;   // no schema object at all: a new file
    std::string objects; // every object's type, name, table and statement, in one text
};
HistorySchema readHistorySchema(Database& db);

// What the ladder makes at `version` (1 to kHistorySchemaVersion), in readHistorySchema's text.
std::string expectedHistoryObjects(int version);

} // namespace quillet
