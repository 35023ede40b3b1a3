#include "results/sqlite_db.h"

#include "platform/text_format.h"

#include <sqlite3.h>

#include <utility>

namespace varnet {

SqliteDb::~SqliteDb() {
    Close();
}

Status SqliteDb::Open(const std::filesystem::path& file, bool readOnly, int busyTimeoutMs) {
    Close();
    const int flags =
        (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        lastError_ = rc & 0xFF;
        std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        Close();
        lastError_ = rc & 0xFF;
        return Status::Error(Format("cannot open %s: %s", file.string().c_str(), message.c_str()));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyTimeoutMs);
    return Status::Ok();
}

void SqliteDb::Close() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

Status SqliteDb::Failure(const char* what) {
    lastError_ = db_ ? sqlite3_errcode(db_) & 0xFF : SQLITE_MISUSE;
    return Status::Error(Format("%s: %s", what, db_ ? sqlite3_errmsg(db_) : "the database is not open"));
}

Status SqliteDb::Exec(const char* sql) {
    if (!db_)
        return Failure(sql);
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        return Status::Ok();
    lastError_ = rc & 0xFF;
    std::string message = error ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    return Status::Error(message);
}

int64_t SqliteDb::Changes() const {
    return db_ ? sqlite3_changes64(db_) : 0;
}

int64_t SqliteDb::LastInsertRowId() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

SqliteStatement::~SqliteStatement() {
    Finalize();
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        Finalize();
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

Status SqliteStatement::Prepare(SqliteDb& db, std::string_view sql) {
    Finalize();
    db_ = &db;
    if (!db.db_)
        return db.Failure("prepare");
    const int rc = sqlite3_prepare_v3(db.db_, sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        stmt_ = nullptr;
        return db.Failure("prepare");
    }
    return Status::Ok();
}

void SqliteStatement::Finalize() {
    if (stmt_)
        sqlite3_finalize(stmt_);
    stmt_ = nullptr;
}

void SqliteStatement::Bind(int index, std::string_view text) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void SqliteStatement::Bind(int index, int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void SqliteStatement::BindNull(int index) {
    sqlite3_bind_null(stmt_, index);
}

bool SqliteStatement::Step(Status& status) {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        status = db_->Failure("step");
    return false;
}

Status SqliteStatement::Run() {
    Status status;
    while (Step(status)) {
    }
    Reset();
    return status;
}

void SqliteStatement::Reset() {
    if (stmt_)
        sqlite3_reset(stmt_);
}

std::string_view SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!text)
        return {};
    return std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

int64_t SqliteStatement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Status QueryInt(SqliteDb& db, const char* sql, int64_t& value) {
    SqliteStatement statement;
    Status status = statement.Prepare(db, sql);
    if (!status.ok())
        return status;
    if (!statement.Step(status))
        return status.ok() ? Status::Error(Format("%s gave no row", sql)) : status;
    value = statement.Int(0);
    return Status::Ok();
}

} // namespace varnet
