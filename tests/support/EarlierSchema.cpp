// SPDX-License-Identifier: MIT
#include "EarlierSchema.h"

#include "SearchTokenizer.h"
#include "Sqlite.h"

#include <stdexcept>

namespace quillet::test {

void takeBackToSchema(const std::string& file, const SealedVfs& seal, int version) {
    if (version < 3 || version > 6)
        throw std::invalid_argument("no way back to schema " + std::to_string(version));
    Database db(file, false, seal.name());
    registerTextSearch(db.handle());
    // Version 7's indexes: the titles' own, and the text's index of first characters.
    db.execute("DROP TABLE page_titles; CREATE VIRTUAL TABLE page_text_before USING "
               "fts5(title, address, body, tokenize='quillet'); INSERT INTO "
               "page_text_before(rowid, title, address, body) SELECT rowid, title, address, body "
               "FROM page_text; DROP TABLE page_text; ALTER TABLE page_text_before RENAME TO "
               "page_text");
    if (version < 6)
        db.execute("DROP TABLE version_parts; DROP TABLE page_versions; DROP TABLE saved_parts");
    if (version < 5)
        db.execute("DROP INDEX pages_for_pane");
    if (version < 4)
        db.execute("DROP TABLE looks");
    db.execute(("PRAGMA user_version=" + std::to_string(version)).c_str());
}

} // namespace quillet::test
