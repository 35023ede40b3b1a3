#include "results/results_schema.h"

#include "platform/diagnostic_log.h"
#include "platform/text_format.h"

#include <sqlite3.h>

#include <string>

namespace varnet {
namespace {

// Version 1: sessions and runs. Times are UTC texts of fixed width
// (utc_time.h), so they compare and sort as texts.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE session (
    id INTEGER PRIMARY KEY,
    host TEXT NOT NULL,
    program_version TEXT NOT NULL,
    station_file TEXT NOT NULL,
    started_at TEXT NOT NULL
);
CREATE TABLE port_run (
    id INTEGER PRIMARY KEY,
    run_id TEXT NOT NULL UNIQUE,
    session_id INTEGER REFERENCES session(id),
    station TEXT NOT NULL,
    port INTEGER NOT NULL,
    drive INTEGER NOT NULL DEFAULT 0,
    interface_path TEXT NOT NULL DEFAULT '',
    model TEXT NOT NULL DEFAULT '',
    firmware TEXT NOT NULL DEFAULT '',
    drive_serial TEXT NOT NULL DEFAULT '',
    serial TEXT NOT NULL DEFAULT '',
    flash_id TEXT NOT NULL DEFAULT '',
    verdict TEXT NOT NULL DEFAULT '',
    error_code TEXT NOT NULL DEFAULT '',
    error_message TEXT NOT NULL DEFAULT '',
    text TEXT NOT NULL DEFAULT '',
    report_path TEXT NOT NULL DEFAULT '',
    aux_report_path TEXT NOT NULL DEFAULT '',
    started_at TEXT NOT NULL,
    ended_at TEXT,
    duration_ms INTEGER,
    host TEXT NOT NULL DEFAULT '',
    station_file TEXT NOT NULL DEFAULT '',
    drive_key TEXT NOT NULL DEFAULT '',
    state TEXT NOT NULL CHECK (state IN ('RUNNING', 'DONE', 'INTERRUPTED')),
    attempt INTEGER NOT NULL DEFAULT 0,
    synced_at TEXT
);
CREATE INDEX port_run_station_time ON port_run (station, started_at);
CREATE INDEX port_run_time ON port_run (started_at);
CREATE INDEX port_run_drive ON port_run (station, drive_key, started_at);
CREATE INDEX port_run_running ON port_run (state) WHERE state = 'RUNNING';
CREATE INDEX port_run_unsynced ON port_run (id) WHERE synced_at IS NULL AND state <> 'RUNNING';
)sql";

// Version 2: how far each run journal has been compared with the runs, so
// a start-up reads only what was appended since.
constexpr const char* kVersion2 = R"sql(
CREATE TABLE journal_file (
    name TEXT PRIMARY KEY,
    checked_bytes INTEGER NOT NULL
);
)sql";

constexpr SchemaMigration kMigrations[] = {{1, kVersion1}, {2, kVersion2}};

Status Backup(SqliteDb& db, const std::filesystem::path& file, int version) {
    const std::filesystem::path copy = file.string() + ".v" + std::to_string(version) + ".bak";
    std::error_code ec;
    std::filesystem::remove(copy, ec);
    sqlite3* target = nullptr;
    if (sqlite3_open_v2(copy.c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string message = target ? sqlite3_errmsg(target) : "out of memory";
        sqlite3_close_v2(target);
        return Status::Error(
            Format("cannot create the backup %s: %s", copy.string().c_str(), message.c_str()));
    }
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", db.Handle(), "main");
    int rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(target);
    if (backup)
        sqlite3_backup_finish(backup);
    const std::string message = sqlite3_errmsg(target);
    sqlite3_close_v2(target);
    if (rc != SQLITE_DONE) {
        std::filesystem::remove(copy, ec);
        return Status::Error(Format("cannot back up to %s: %s", copy.string().c_str(), message.c_str()));
    }
    return Status::Ok();
}

} // namespace

std::span<const SchemaMigration> ResultsMigrations() {
    return kMigrations;
}

SchemaOutcome MigrateResultsDatabase(SqliteDb& db, const std::filesystem::path& file,
                                     std::span<const SchemaMigration> migrations, Status& status) {
    const int target = migrations.empty() ? 0 : migrations.back().version;
    int64_t version = 0;
    status = QueryInt(db, "PRAGMA user_version", version);
    if (!status.ok())
        return SchemaOutcome::kFailed;
    if (version > target) {
        status = Status::Error(Format("%s has schema version %lld, newer than this program's %d: it was "
                                      "written by a newer VarnetTool and is left alone",
                                      file.string().c_str(), static_cast<long long>(version), target));
        return SchemaOutcome::kNewer;
    }
    if (version == target)
        return SchemaOutcome::kReady;
    if (version > 0) {
        status = Backup(db, file, static_cast<int>(version));
        if (!status.ok())
            return SchemaOutcome::kFailed;
    }
    status = db.Exec("BEGIN IMMEDIATE");
    if (!status.ok())
        return SchemaOutcome::kFailed;
    for (const SchemaMigration& migration : migrations) {
        if (migration.version <= version)
            continue;
        status = db.Exec(migration.sql);
        if (!status.ok()) {
            status =
                Status::Error(Format("migration to schema version %d of %s failed: %s", migration.version,
                                     file.string().c_str(), status.message().c_str()));
            LogDiscarded(db.Exec("ROLLBACK"));
            return SchemaOutcome::kFailed;
        }
    }
    status = db.Exec(("PRAGMA user_version = " + std::to_string(target)).c_str());
    if (status.ok())
        status = db.Exec("COMMIT");
    if (!status.ok()) {
        LogDiscarded(db.Exec("ROLLBACK"));
        return SchemaOutcome::kFailed;
    }
    return SchemaOutcome::kReady;
}

SchemaOutcome OpenResultsDatabase(SqliteDb& db, const std::filesystem::path& file, int busyTimeoutMs,
                                  Status& status) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    status = db.Open(file, false, busyTimeoutMs);
    if (!status.ok())
        return SchemaOutcome::kFailed;
    // The version first: a newer program's database is not even switched to
    // another journal mode.
    int64_t version = 0;
    status = QueryInt(db, "PRAGMA user_version", version);
    if (status.ok() && version > kResultsSchemaVersion) {
        const SchemaOutcome outcome = MigrateResultsDatabase(db, file, ResultsMigrations(), status);
        db.Close();
        return outcome;
    }
    std::string mode;
    if (status.ok()) {
        SqliteStatement walMode;
        status = walMode.Prepare(db, "PRAGMA journal_mode = WAL");
        if (status.ok() && walMode.Step(status))
            mode = std::string(walMode.Text(0));
    }
    if (status.ok() && mode != "wal")
        status =
            Status::Error(Format("%s cannot be put in WAL mode (%s)", file.string().c_str(), mode.c_str()));
    if (status.ok())
        status = db.Exec("PRAGMA synchronous = FULL");
    if (!status.ok()) {
        db.Close();
        return SchemaOutcome::kFailed;
    }
    const SchemaOutcome outcome = MigrateResultsDatabase(db, file, ResultsMigrations(), status);
    if (outcome != SchemaOutcome::kReady)
        db.Close();
    return outcome;
}

Status OpenResultsForReading(SqliteDb& db, const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return Status::Error(Format("there is no results database at %s", file.string().c_str()));
    Status status = db.Open(file, true, 5000);
    if (!status.ok())
        return status;
    int64_t version = 0;
    status = QueryInt(db, "PRAGMA user_version", version);
    if (status.ok() && (version < 1 || version > kResultsSchemaVersion))
        status =
            Status::Error(version < 1 ? Format("%s is not a results database", file.string().c_str())
                                      : Format("%s has schema version %lld, newer than this program's %d",
                                               file.string().c_str(), static_cast<long long>(version),
                                               kResultsSchemaVersion));
    if (!status.ok())
        db.Close();
    return status;
}

} // namespace varnet
