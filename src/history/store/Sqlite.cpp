// SPDX-License-Identifier: MIT
#include "Sqlite.h"

#include <utility>

namespace quillet {

Database::Database(const std::string& path, bool create, const char* vfs, bool uris) {
    sqlite3* db = nullptr;
    // A file behind a symbolic link is refused: the link could lead the history anywhere.
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE | SQLITE_OPEN_NOFOLLOW |
                      (uris ? SQLITE_OPEN_URI : 0);
    const int result = sqlite3_open_v2(path.c_str(), &db, flags, vfs);
    db_.reset(db); // closed even when opening failed
    if (result != SQLITE_OK)
        throw SqliteError(result & 0xff, db ? sqlite3_errmsg(db) : sqlite3_errstr(result), result);
    // The file is data, never code: no statement of its schema (a trigger, a view, a function
    // in a default) runs, and nothing written through SQL can corrupt it on purpose.
    for (const auto& [option, value] :
         {std::pair{SQLITE_DBCONFIG_DEFENSIVE, 1}, std::pair{SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
          std::pair{SQLITE_DBCONFIG_ENABLE_TRIGGER, 0}, std::pair{SQLITE_DBCONFIG_ENABLE_VIEW, 0}})
        check(sqlite3_db_config(db, option, value, nullptr));
}

Database::~Database() {
    for (const auto& [sql, statement] : cache_)
        sqlite3_finalize(statement);
}

void Database::check(int result) const {
    if (result != SQLITE_OK && result != SQLITE_ROW && result != SQLITE_DONE)
        throw SqliteError(result & 0xff, sqlite3_errmsg(db_.get()), result);
}

void Database::execute(const char* sql) {
    check(sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr));
}

int Database::exec(const char* sql) {
    Statement statement(*this, sql);
    if (statement.step())
        throw std::logic_error(std::string("a statement run for its changes returned rows: ") +
                               sql);
    return sqlite3_changes(db_.get());
}

Statement Database::prepare(const char* sql) {
    return Statement(*this, sql);
}

Statement Database::cached(const char* sql) {
    auto found = cache_.find(sql);
    if (found == cache_.end()) {
        sqlite3_stmt* statement = nullptr;
        const int result =
            sqlite3_prepare_v3(db_.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
        if (result != SQLITE_OK) {
            sqlite3_finalize(statement);
            check(result);
        }
        found = cache_.emplace(sql, statement).first;
    }
    return Statement(*this, found->second);
}

Statement::Statement(const Database& db, const char* sql)
    : db_(&db), statement_(nullptr, Finalize(false)) {
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare_v2(db.handle(), sql, -1, &statement, nullptr);
    statement_.reset(statement);
    db.check(result);
}

Statement::Statement(const Database& db, sqlite3_stmt* borrowed)
    : db_(&db), statement_(borrowed, Finalize{true}) {}

Statement& Statement::bind(int index, std::int64_t value) {
    db_->check(sqlite3_bind_int64(statement_.get(), index, value));
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    db_->check(sqlite3_bind_text64(statement_.get(), index, text.data(), text.size(),
                                   SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Statement& Statement::bindBlob(int index, const std::vector<std::uint8_t>& bytes) {
    db_->check(bytes.empty() ? sqlite3_bind_null(statement_.get(), index)
                             : sqlite3_bind_blob64(statement_.get(), index, bytes.data(),
                                                   bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

bool Statement::step() {
    const int result = sqlite3_step(statement_.get());
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE) {
        sqlite3_reset(statement_.get());
        db_->check(result);
    }
    return false;
}

void Statement::reset() {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(statement_.get(), column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(statement_.get(), column);
}

std::string Statement::text(int column) const {
    const auto* text = sqlite3_column_text(statement_.get(), column);
    const int size = sqlite3_column_bytes(statement_.get(), column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                : std::string();
}

std::vector<std::uint8_t> Statement::blob(int column) const {
    const auto* bytes =
        static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_.get(), column));
    const int size = sqlite3_column_bytes(statement_.get(), column);
    return bytes ? std::vector<std::uint8_t>(bytes, bytes + size) : std::vector<std::uint8_t>();
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

Savepoint::Savepoint(Database& db, std::string name) : db_(db), name_(std::move(name)) {
    db_.exec(("SAVEPOINT " + name_).c_str());
}

Savepoint::~Savepoint() {
    if (!done_)
        sqlite3_exec(db_.handle(), ("ROLLBACK TO " + name_ + "; RELEASE " + name_).c_str(), nullptr,
                     nullptr, nullptr);
}

void Savepoint::release() {
    db_.exec(("RELEASE " + name_).c_str());
    done_ = true;
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!done_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    db_.execute("COMMIT");
    done_ = true;
}

} // namespace quillet
