// One stored run as the store's readers select it: the columns in their
// order, and the reading of such a row into a StoredRun. The yield readers,
// the exports and the line sync all read runs this one way, so a column the
// store gains is read everywhere at once.
//
// Pure functions over a statement the caller owns and has stepped to a row;
// a time the row holds in a form that does not parse reads as the epoch.
#pragma once

#include "results/run_query.h"
#include "results/sqlite_db.h"

namespace varnet {

// run_id ... station_file, state, attempt: the columns ReadStoredRun reads,
// comma-separated, for a SELECT list.
inline constexpr const char* kStoredRunColumns =
    "run_id, station, port, drive, interface_path, model, firmware, drive_serial, serial, flash_id, verdict, "
    "error_code, error_message, text, report_path, aux_report_path, started_at, ended_at, duration_ms, host, "
    "station_file, state, attempt";
// How many columns kStoredRunColumns names.
inline constexpr int kStoredRunColumnCount = 23;

// The run whose kStoredRunColumns start at column `first` of the row
// (syncedAt is left empty).
StoredRun ReadStoredRun(const SqliteStatement& row, int first);

} // namespace varnet
