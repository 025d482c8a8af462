// SPDX-License-Identifier: MIT
#pragma once
// A thin owner of an SQLite connection and its statements: every failure becomes an
// SqliteError carrying SQLite's result code, so callers can tell a busy, full or broken
// database from their own mistakes.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

class SqliteError : public std::runtime_error {
  public:
    SqliteError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; } // the primary result code (SQLITE_FULL, ...)

  private:
    int code_;
};

class Statement;

class Database {
  public:
    // Opens (and with `create`, creates) the file; ":memory:" is a private in-memory database.
    Database(const std::string& path, bool create);
    sqlite3* handle() const { return db_.get(); }

    void execute(const char* sql); // one or more statements without parameters
    Statement prepare(const char* sql);
    std::int64_t lastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }
    // Throws SqliteError for a result code other than OK, ROW or DONE.
    void check(int result) const;

  private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Close> db_;
};

// One prepared statement; bind by 1-based position, then step through its rows.
class Statement {
  public:
    Statement(const Database& db, const char* sql);

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, const std::vector<std::uint8_t>& bytes);

    bool step(); // true while a row is ready
    void run() { step(); }
    void reset();

    std::int64_t integer(int column) const;
    std::string text(int column) const;
    std::vector<std::uint8_t> blob(int column) const;
    bool isNull(int column) const;

  private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    const Database* db_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

// BEGIN IMMEDIATE ... COMMIT, or ROLLBACK when left by an exception.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

  private:
    Database& db_;
    bool done_ = false;
};

} // namespace quillet
