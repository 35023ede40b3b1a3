// Reading runs back for the yield figures and the exports, from the
// station's own database or from the line server, through one interface so
// that both give the same figures (yield_summary.h computes them).
//
// A filter selects runs by start time (from inclusive, to exclusive; unset:
// open) and by station name (empty: every station). Yield runs are the
// finished production runs only (state DONE, not "Identify"), oldest first;
// stored runs are every row, whatever its state, oldest first.
//
// LocalRunSource opens the database read-only for each call, so a station
// that is writing is never held up (WAL lets readers and the writer go on
// side by side), and refuses a file of an unknown schema. Not thread-safe;
// one per thread. Failures are Status values.
#pragma once

#include "engine/port_run_record.h"
#include "platform/status.h"
#include "results/utc_time.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnet {

struct RunFilter {
    std::optional<SystemTime> from;
    std::optional<SystemTime> to;
    std::string station;
};

// What the yield figures need of one finished run.
struct YieldRun {
    std::string station;
    std::string host;
    int port = 0;
    std::string driveKey; // serial number, else drive serial; empty: a drive of its own
    std::string flashId;
    std::string verdict;
    std::string errorCode;
    std::string text; // the tile's text; only kept for runs that did not pass
    int64_t startedMs = 0;
    bool firstAttempt = true; // no earlier finished run of this drive at this station
};

struct StoredRun {
    PortRunRecord record;
    std::string state; // "RUNNING", "DONE" or "INTERRUPTED"
    int64_t attempt = 0;
    std::string syncedAt; // empty: not yet on the line server
};

class RunSource {
public:
    virtual ~RunSource() = default;
    virtual Status FetchYieldRuns(const RunFilter& filter, std::vector<YieldRun>& runs) = 0;
    virtual Status FetchRuns(const RunFilter& filter, std::vector<StoredRun>& runs) = 0;
    // The names of the stations that have runs, "Identify" left out, sorted.
    virtual Status FetchStations(std::vector<std::string>& stations) = 0;
};

class LocalRunSource final : public RunSource {
public:
    explicit LocalRunSource(std::filesystem::path databaseFile) : databaseFile_(std::move(databaseFile)) {}

    Status FetchYieldRuns(const RunFilter& filter, std::vector<YieldRun>& runs) override;
    Status FetchRuns(const RunFilter& filter, std::vector<StoredRun>& runs) override;
    Status FetchStations(std::vector<std::string>& stations) override;

private:
    std::filesystem::path databaseFile_;
};

// The filter's bounds as stored texts ("" and "~" when open: below and above
// every time text).
std::string FilterFromText(const RunFilter& filter);
std::string FilterToText(const RunFilter& filter);

} // namespace varnet
