// SPDX-License-Identifier: MIT
#include "SavedCopies.h"

#include "SavedArchive.h"
#include "Zstd.h"

#include <sodium.h>

namespace quillet {
namespace {

// Nothing read back grows past these, whatever the file says.
constexpr std::size_t kLargestPart = std::size_t{256} << 20;
constexpr std::size_t kLargestFrame = std::size_t{1} << 20; // the message's header and tail

std::vector<std::uint8_t> hashOf(std::string_view bytes) {
    std::vector<std::uint8_t> hash(crypto_generichash_BYTES);
    crypto_generichash(hash.data(), hash.size(),
                       reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), nullptr,
                       0);
    return hash;
}

std::vector<std::uint8_t> asBlob(const std::string& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::optional<std::string> unpacked(const std::vector<std::uint8_t>& blob, std::size_t largest) {
    return zstdDecompress({reinterpret_cast<const char*>(blob.data()), blob.size()}, largest);
}

// The part's row, stored now unless a copy saved before has it (then `added` grows).
std::int64_t partId(Database& db, std::string_view part, std::int64_t& added) {
    const std::vector<std::uint8_t> hash = hashOf(part);
    Statement found = db.cached("SELECT id FROM saved_parts WHERE hash = ?");
    if (found.bindBlob(1, hash).step())
        return found.integer(0);
    const std::vector<std::uint8_t> packed = asBlob(zstdCompress(part));
    added += static_cast<std::int64_t>(packed.size());
    db.cached("INSERT INTO saved_parts(hash, size, bytes) VALUES(?, ?, ?)")
        .bindBlob(1, hash)
        .bind(2, static_cast<std::int64_t>(packed.size()))
        .bindBlob(3, packed)
        .run();
    return db.lastInsertRowid();
}

SavedVersion versionOf(const Statement& row) {
    return {row.integer(0), row.integer(1)};
}

} // namespace

bool isCopyOf(std::string_view archive, std::string_view address) {
    const auto withoutFragment = [](std::string_view text) {
        return text.substr(0, text.find('#'));
    };
    const std::optional<std::string> from = archiveAddress(archive);
    return from && withoutFragment(*from) == withoutFragment(address);
}

void prepareSavedCopies(Database& db) {
    db.execute("CREATE TEMP TRIGGER IF NOT EXISTS saved_part_unused AFTER DELETE ON "
               "main.version_parts WHEN NOT EXISTS (SELECT 1 FROM version_parts WHERE part = "
               "OLD.part) BEGIN DELETE FROM saved_parts WHERE id = OLD.part; END");
}

std::int64_t keepSavedCopy(Database& db, std::int64_t page, std::int64_t saved,
                           std::string_view archive, std::string_view text) {
    const std::vector<std::uint8_t> textHash = hashOf(text);
    Statement newest = db.cached("SELECT id, text_hash FROM page_versions WHERE page = ? "
                                 "ORDER BY saved DESC, id DESC LIMIT 1");
    if (newest.bind(1, page).step() && newest.blob(1) == textHash)
        return 0;
    newest.reset();

    // A message that does not come apart is kept whole, as its only part.
    std::optional<ArchiveParts> split = splitArchive(archive);
    const bool whole = !split;
    if (whole)
        split = ArchiveParts{{}, {}, {std::string(archive)}, {}};
    const std::vector<std::uint8_t> packedText = asBlob(zstdCompress(text));
    const std::vector<std::uint8_t> frame = asBlob(zstdCompress(split->head));
    const std::vector<std::uint8_t> tail = asBlob(zstdCompress(split->tail));
    Statement insert = db.cached(
        "INSERT INTO page_versions(page, saved, text_hash, text, head, boundary, tail, size) "
        "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bind(1, page).bind(2, saved).bindBlob(3, textHash).bindBlob(4, packedText);
    insert.bindBlob(5, frame).bindBlob(7, tail);
    std::int64_t added = static_cast<std::int64_t>(packedText.size() + frame.size() + tail.size());
    insert.bind(8, added);
    if (!whole)
        insert.bind(6, split->boundary);
    insert.run();
    const std::int64_t version = db.lastInsertRowid();
    for (std::size_t position = 0; position < split->parts.size(); ++position)
        db.cached("INSERT INTO version_parts(version, position, part) VALUES(?, ?, ?)")
            .bind(1, version)
            .bind(2, static_cast<std::int64_t>(position))
            .bind(3, partId(db, split->parts[position], added))
            .run();
    return added;
}

std::vector<SavedVersion> savedVersions(Database& db, std::int64_t page) {
    Statement rows =
        db.cached("SELECT id, saved FROM page_versions WHERE page = ? ORDER BY saved, id");
    rows.bind(1, page);
    std::vector<SavedVersion> versions;
    while (rows.step())
        versions.push_back(versionOf(rows));
    return versions;
}

std::optional<SavedVersion> versionSeenAt(Database& db, std::int64_t page, std::int64_t time) {
    Statement before = db.cached("SELECT id, saved FROM page_versions WHERE page = ? AND "
                                 "saved <= ? ORDER BY saved DESC, id DESC LIMIT 1");
    if (before.bind(1, page).bind(2, time).step())
        return versionOf(before);
    Statement oldest =
        db.cached("SELECT id, saved FROM page_versions WHERE page = ? ORDER BY saved, id LIMIT 1");
    if (oldest.bind(1, page).step())
        return versionOf(oldest);
    return std::nullopt;
}

std::optional<std::string> savedArchive(Database& db, std::int64_t version) {
    Statement frame = db.cached("SELECT head, boundary, tail FROM page_versions WHERE id = ?");
    if (!frame.bind(1, version).step())
        return std::nullopt;
    const bool whole = frame.isNull(1);
    ArchiveParts archive;
    std::optional<std::string> head = unpacked(frame.blob(0), kLargestFrame);
    std::optional<std::string> tail = unpacked(frame.blob(2), kLargestFrame);
    if (!head || !tail)
        return std::nullopt;
    archive.head = std::move(*head);
    archive.tail = std::move(*tail);
    archive.boundary = frame.text(1);
    frame.reset();
    Statement parts = db.cached("SELECT p.bytes FROM version_parts v JOIN saved_parts p ON "
                                "p.id = v.part WHERE v.version = ? ORDER BY v.position");
    parts.bind(1, version);
    while (parts.step()) {
        std::optional<std::string> part = unpacked(parts.blob(0), kLargestPart);
        if (!part)
            return std::nullopt;
        archive.parts.push_back(std::move(*part));
    }
    if (whole)
        return archive.parts.size() == 1 ? std::optional(std::move(archive.parts[0]))
                                         : std::nullopt;
    if (archive.parts.empty())
        return std::nullopt;
    return joinArchive(archive);
}

std::optional<std::string> savedText(Database& db, std::int64_t version) {
    Statement row = db.cached("SELECT text FROM page_versions WHERE id = ?");
    if (!row.bind(1, version).step())
        return std::nullopt;
    return unpacked(row.blob(0), kLargestPart);
}

std::int64_t savedBytes(Database& db) {
    Statement sum = db.cached("SELECT (SELECT coalesce(sum(size), 0) FROM saved_parts) + "
                              "(SELECT coalesce(sum(size), 0) FROM page_versions)");
    sum.step();
    return sum.integer(0);
}

int keepSavedWithin(Database& db, std::int64_t limit) {
    std::int64_t total = savedBytes(db);
    int dropped = 0;
    while (total > limit) {
        Statement oldest =
            db.cached("SELECT id, size FROM page_versions ORDER BY saved, id LIMIT 1");
        if (!oldest.step())
            break;
        const std::int64_t version = oldest.integer(0);
        std::int64_t freed = oldest.integer(1);
        oldest.reset();
        // Its parts that no other version has go with it.
        Statement own = db.cached(
            "SELECT coalesce(sum(p.size), 0) FROM saved_parts p WHERE p.id IN (SELECT part FROM "
            "version_parts WHERE version = ?1) AND NOT EXISTS (SELECT 1 FROM version_parts o "
            "WHERE o.part = p.id AND o.version <> ?1)");
        own.bind(1, version).step();
        freed += own.integer(0);
        own.reset();
        db.cached("DELETE FROM page_versions WHERE id = ?").bind(1, version).run();
        total -= freed;
        ++dropped;
    }
    return dropped;
}

} // namespace quillet
