// A thin owner of SQLite's C handles: a connection and its prepared
// statements, with failures as Status values that carry SQLite's own words
// and its error code, so callers can tell a locked or full database from a
// broken one.
//
// One connection per thread: neither class is thread-safe, and statements
// belong to the connection they were prepared on and must go before it.
#pragma once

#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace varnet {

class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens (readOnly: never creates) with a busy timeout, so a writer in
    // another connection delays a call instead of failing it at once.
    Status Open(const std::filesystem::path& file, bool readOnly, int busyTimeoutMs);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    sqlite3* Handle() const { return db_; }

    Status Exec(const char* sql);
    // The primary result code of the last failed call (SQLITE_BUSY, SQLITE_FULL, ...).
    int LastErrorCode() const { return lastError_; }
    Status Failure(const char* what);
    int64_t Changes() const;
    int64_t LastInsertRowId() const;

private:
    sqlite3* db_ = nullptr;
    int lastError_ = 0;
    friend class SqliteStatement;
};

class SqliteStatement {
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    Status Prepare(SqliteDb& db, std::string_view sql);
    bool IsPrepared() const { return stmt_ != nullptr; }
    void Finalize();

    // Binds are 1-based; a reset keeps them until they are bound again.
    void Bind(int index, std::string_view text);
    void Bind(int index, int64_t value);
    void BindNull(int index);
    // Runs to the next row: true with a row, false when done or failed
    // (then status holds why).
    bool Step(Status& status);
    // Runs a statement that returns no rows.
    Status Run();
    void Reset();

    std::string_view Text(int column) const;
    int64_t Int(int column) const;
    bool IsNull(int column) const;

private:
    SqliteDb* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// Runs a read of one integer (a pragma, a count); nullopt-like failure as Status.
Status QueryInt(SqliteDb& db, const char* sql, int64_t& value);

} // namespace varnet
