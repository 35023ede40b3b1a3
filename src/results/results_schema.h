// The results database's schema and its migrations.
//
// The schema's version is SQLite's user_version. Opening a database brings it
// to kResultsSchemaVersion: every migration past the stored version runs, in
// order, in one transaction, after a backup copy of the file has been made
// beside it ("results.db.v<old version>.bak"), so a failed migration leaves
// the database as it was and a wrong one can be undone by hand. A database
// newer than the program is refused (NewerSchema), never changed. A fresh
// file needs no backup.
//
// The database runs in WAL mode with synchronous=FULL: a transaction that
// has returned survives a power cut. Writer thread of the store only.
#pragma once

#include "platform/status.h"
#include "results/sqlite_db.h"

#include <filesystem>
#include <span>

namespace varnet {

inline constexpr int kResultsSchemaVersion = 2;

struct SchemaMigration {
    int version; // the version the database has after it
    const char* sql;
};

// The program's migrations, oldest first.
std::span<const SchemaMigration> ResultsMigrations();

enum class SchemaOutcome { kReady, kNewer, kFailed };

// Opens file for writing (creating it and its folder), sets WAL and
// synchronous=FULL and migrates. kNewer and kFailed leave db closed; the
// Status says why.
SchemaOutcome OpenResultsDatabase(SqliteDb& db, const std::filesystem::path& file, int busyTimeoutMs,
                                  Status& status);

// Brings an open database to the last of migrations (a test may give its own
// list): backup first when it holds an older version, then one transaction.
SchemaOutcome MigrateResultsDatabase(SqliteDb& db, const std::filesystem::path& file,
                                     std::span<const SchemaMigration> migrations, Status& status);

// Opens an existing database only to read it; refuses one of an unknown
// version (a newer program's or no results database at all).
Status OpenResultsForReading(SqliteDb& db, const std::filesystem::path& file);

} // namespace varnet
