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
#include <unordered_map>
#include <vector>

namespace quillet {

class SqliteError : public std::runtime_error {
  public:
    SqliteError(int code, const std::string& what, int extended = 0)
        : std::runtime_error(what), code_(code), extended_(extended == 0 ? code : extended) {}
    int code() const { return code_; }             // the primary result code (SQLITE_FULL, ...)
    int extendedCode() const { return extended_; } // SQLITE_IOERR_DATA, ...

  private:
    int code_;
    int extended_;
};

class Statement;

class Database {
  public:
    // Opens (and with `create`, creates) the file; ":memory:" is a private in-memory database.
    // `vfs` names the SQLite VFS to open it through (the system's when null); with `uris`,
    // file names in its statements may be "file:" addresses (ATTACH, VACUUM INTO).
    Database(const std::string& path, bool create, const char* vfs = nullptr, bool uris = false);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* handle() const { return db_.get(); }

    void execute(const char* sql); // one or more statements without parameters
    // One statement without parameters that returns no rows (a statement that returns one is
    // refused with std::logic_error, and reset); the number of rows it changed.
    int exec(const char* sql);
    Statement prepare(const char* sql);
    // The statement prepared once for the connection's life and lent out each time: the
    // Statement returned resets it and clears its bindings when it goes, so no read stays
    // open past it. One use of the same text at a time.
    Statement cached(const char* sql);
    std::int64_t lastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }
    // Rows this connection has written since it opened: moves with every change it makes.
    std::int64_t totalChanges() const { return sqlite3_total_changes64(db_.get()); }
    // Throws SqliteError for a result code other than OK, ROW or DONE.
    void check(int result) const;

  private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Close> db_;
    std::unordered_map<std::string, sqlite3_stmt*> cache_; // finalized before the close
};

// One prepared statement; bind by 1-based position, then step through its rows.
class Statement {
  public:
    Statement(const Database& db, const char* sql);
    // Lends a cached statement (Database::cached): reset, not finalized, when this goes.
    Statement(const Database& db, sqlite3_stmt* borrowed);

    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, const std::vector<std::uint8_t>& bytes);

    bool step(); // true while a row is ready
    void run() { step(); }
    void reset();

    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::vector<std::uint8_t> blob(int column) const;
    bool isNull(int column) const;

  private:
    struct Finalize {
        explicit Finalize(bool lent = false) : borrowed(lent) {}
        bool borrowed;
        void operator()(sqlite3_stmt* statement) const {
            if (!borrowed) {
                sqlite3_finalize(statement);
                return;
            }
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        }
    };
    const Database* db_;
    std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

// SAVEPOINT ... RELEASE, or ROLLBACK TO it when left by an exception: a part of a transaction
// (or one of its own) that is undone alone.
class Savepoint {
  public:
    Savepoint(Database& db, std::string name);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void release();

  private:
    Database& db_;
    std::string name_;
    bool done_ = false;
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
