#include "results/run_query.h"

#include "results/results_schema.h"
#include "results/sqlite_db.h"
#include "results/stored_run_row.h"

#include <string>
#include <string_view>

namespace varnet {
namespace {

constexpr const char* kYieldRuns = R"sql(
SELECT station, host, port, drive_key, flash_id, verdict, error_code,
       CASE WHEN verdict = 'Pass' THEN '' ELSE text END, started_at, attempt
FROM port_run
WHERE state = 'DONE' AND station <> 'Identify' AND started_at >= ?1 AND started_at < ?2
)sql";

const std::string kStoredRuns = std::string("SELECT ") + kStoredRunColumns +
                                ", synced_at FROM port_run WHERE started_at >= ?1 AND started_at < ?2";

// One index seek per station instead of a scan of every run.
constexpr const char* kStations = R"sql(
WITH RECURSIVE names(name) AS (
    SELECT min(station) FROM port_run
    UNION ALL
    SELECT (SELECT min(station) FROM port_run WHERE station > names.name) FROM names WHERE names.name IS NOT NULL
)
SELECT name FROM names WHERE name IS NOT NULL AND name <> 'Identify'
)sql";

Status Prepare(SqliteDb& db, SqliteStatement& statement, std::string_view sql, const RunFilter& filter) {
    std::string text(sql);
    if (!filter.station.empty())
        text += " AND station = ?3";
    text += " ORDER BY started_at";
    Status status = statement.Prepare(db, text);
    if (!status.ok())
        return status;
    statement.Bind(1, FilterFromText(filter));
    statement.Bind(2, FilterToText(filter));
    if (!filter.station.empty())
        statement.Bind(3, filter.station);
    return Status::Ok();
}

int64_t MillisOf(std::string_view text) {
    const auto time = ParseUtcMillis(text);
    return time ? UnixMillis(*time) : 0;
}

} // namespace

std::string FilterFromText(const RunFilter& filter) {
    return filter.from ? FormatUtcMillis(*filter.from) : "";
}

std::string FilterToText(const RunFilter& filter) {
    return filter.to ? FormatUtcMillis(*filter.to) : "~";
}

Status LocalRunSource::FetchYieldRuns(const RunFilter& filter, std::vector<YieldRun>& runs) {
    runs.clear();
    SqliteDb db;
    Status status = OpenResultsForReading(db, databaseFile_);
    SqliteStatement query;
    if (status.ok())
        status = Prepare(db, query, kYieldRuns, filter);
    if (!status.ok())
        return status;
    while (query.Step(status)) {
        YieldRun& run = runs.emplace_back();
        run.station = query.Text(0);
        run.host = query.Text(1);
        run.port = static_cast<int>(query.Int(2));
        run.driveKey = query.Text(3);
        run.flashId = query.Text(4);
        run.verdict = query.Text(5);
        run.errorCode = query.Text(6);
        run.text = query.Text(7);
        run.startedMs = MillisOf(query.Text(8));
        run.firstAttempt = query.Int(9) <= 1;
    }
    return status;
}

Status LocalRunSource::FetchRuns(const RunFilter& filter, std::vector<StoredRun>& runs) {
    runs.clear();
    SqliteDb db;
    Status status = OpenResultsForReading(db, databaseFile_);
    SqliteStatement query;
    if (status.ok())
        status = Prepare(db, query, kStoredRuns, filter);
    if (!status.ok())
        return status;
    while (query.Step(status)) {
        StoredRun& run = runs.emplace_back(ReadStoredRun(query, 0));
        run.syncedAt = query.Text(kStoredRunColumnCount);
    }
    return status;
}

Status LocalRunSource::FetchStations(std::vector<std::string>& stations) {
    stations.clear();
    SqliteDb db;
    Status status = OpenResultsForReading(db, databaseFile_);
    SqliteStatement query;
    if (status.ok())
        status = query.Prepare(db, kStations);
    if (!status.ok())
        return status;
    while (query.Step(status))
        stations.emplace_back(query.Text(0));
    return status;
}

} // namespace varnet
