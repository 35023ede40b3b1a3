// The results store's two promises: a finished run's DONE transaction is
// durable in a couple of milliseconds (the writer keeps up with 24 ports),
// and a month of one station's yield is read and computed well within a
// second over a store of a million runs.
//
// The files live in /var/tmp/varnet-bench, on the disk (not a memory file
// system, where a sync costs nothing). The million-run store is made once
// and kept there for later runs.
#include "results/results_schema.h"
#include "results/results_store.h"
#include "results/run_query.h"
#include "results/sqlite_db.h"
#include "results/yield_summary.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace varnet;

std::filesystem::path BenchFolder() {
    // TMPDIR may point at memory; the durable write is measured on the disk.
    const std::filesystem::path folder = "/var/tmp/varnet-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

constexpr const char* kStations[] = {"01_EraseAll", "02_RDT", "03_RDTResult", "04_MP",
                                     "05_ReMP",     "06_ICT", "07_UpdateFW",  "08_Scan Bad"};
constexpr const char* kFlashIds[] = {"98 3C 98 B3 76 72", "45 3C 98 B3 76 72", "2C A4 08 32 A6 00",
                                     "89 C4 08 32 A6 00", "AD 5E 28 22 10 00"};
constexpr const char* kCodes[] = {"0x2F", "0x31", "0x07", "0x1A", "0x40", "0x0C"};
constexpr int kRuns = 1000000;
constexpr int kMonths = 6;
// The store's runs start on 2026-01-01 and spread over kMonths months.
const SystemTime kFirstRun = *ParseUtcMillis("2026-01-01T00:00:00.000Z");

PortRunRecord BenchRun(int64_t n, std::mt19937& random) {
    PortRunRecord r;
    r.runId = "bench-" + std::to_string(n);
    r.station = kStations[n % 8];
    r.port = static_cast<int>(random() % 24) + 1;
    r.drive = r.port + 1;
    r.interfacePath = "/dev/disk/by-id/usb-Gen_Disk_" + std::to_string(r.port) + "-0:0";
    r.model = "SSD 512G";
    r.firmware = "FW1.02";
    r.driveSerial = "DS" + std::to_string(n / 9);
    r.serial = "SN" + std::to_string(n / 9);
    r.flashId = kFlashIds[(n / 9) % 5];
    const unsigned roll = random() % 1000;
    r.verdict = roll < 920 ? "Pass" : roll < 990 ? "Fail" : roll < 996 ? "Error" : "Timeout";
    if (r.verdict == std::string("Fail"))
        r.errorCode = kCodes[random() % 6];
    r.text = r.verdict == std::string("Pass") ? "           Pass!" : "           Fail!";
    r.reportPath = "./Log/20260101/04_MP/Report_" + r.serial + "_1.txt";
    r.startedAt = kFirstRun + std::chrono::seconds(n * (kMonths * 30LL * 86400 / kRuns));
    r.endedAt = r.startedAt + std::chrono::seconds(95);
    r.durationMs = 95000;
    r.host = "line1-st" + std::to_string(n % 8 + 1);
    r.stationFile = std::string(r.station) + ".ini";
    return r;
}

// Written straight in one transaction: a million runs through the store's
// own per-run transactions would take minutes to make.
Status FillStore(SqliteDb& db, int64_t count) {
    SqliteStatement insert;
    Status status = insert.Prepare(
        db,
        "INSERT INTO port_run (run_id, station, port, drive, interface_path, model, firmware, drive_serial, "
        "serial, flash_id, verdict, error_code, text, report_path, started_at, ended_at, duration_ms, host, "
        "station_file, drive_key, state, attempt) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
        "?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, 'DONE', ?21)");
    if (!status.ok())
        return status;
    std::mt19937 random(11);
    std::map<std::pair<std::string, std::string>, int64_t> attempts;
    status = db.Exec("BEGIN");
    for (int64_t n = 0; status.ok() && n < count; ++n) {
        const PortRunRecord r = BenchRun(n, random);
        insert.Bind(1, r.runId);
        insert.Bind(2, r.station);
        insert.Bind(3, static_cast<int64_t>(r.port));
        insert.Bind(4, static_cast<int64_t>(r.drive));
        insert.Bind(5, r.interfacePath);
        insert.Bind(6, r.model);
        insert.Bind(7, r.firmware);
        insert.Bind(8, r.driveSerial);
        insert.Bind(9, r.serial);
        insert.Bind(10, r.flashId);
        insert.Bind(11, r.verdict);
        insert.Bind(12, r.errorCode);
        insert.Bind(13, r.text);
        insert.Bind(14, r.reportPath);
        insert.Bind(15, FormatUtcMillis(r.startedAt));
        insert.Bind(16, FormatUtcMillis(r.endedAt));
        insert.Bind(17, r.durationMs);
        insert.Bind(18, r.host);
        insert.Bind(19, r.stationFile);
        insert.Bind(20, r.serial);
        insert.Bind(21, ++attempts[{r.station, r.serial}]);
        status = insert.Run();
    }
    if (status.ok())
        status = db.Exec("COMMIT");
    return status;
}

std::filesystem::path MillionRunStore() {
    const std::filesystem::path folder = BenchFolder() / "million";
    const std::filesystem::path file = ResultsDatabasePath(folder);
    {
        SqliteDb db;
        int64_t version = 0;
        int64_t runs = 0;
        if (std::filesystem::exists(file) && db.Open(file, true, 1000).ok() &&
            QueryInt(db, "PRAGMA user_version", version).ok() && version == kResultsSchemaVersion &&
            QueryInt(db, "SELECT count(*) FROM port_run", runs).ok() && runs == kRuns)
            return file;
    }
    std::filesystem::remove_all(folder);
    SqliteDb db;
    Status status;
    if (OpenResultsDatabase(db, file, 2000, status) != SchemaOutcome::kReady)
        return {};
    (void)db.Exec("PRAGMA synchronous = OFF");
    if (!FillStore(db, kRuns).ok())
        return {};
    (void)db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    return file;
}

// The DONE transaction of one finished run, whose RUNNING row is there, in
// a store that already holds 100 000 runs. Argument 0: on the disk, as on a
// station; 1: in memory, where the sync costs nothing (what the store itself
// costs).
void BM_ResultsWrite(benchmark::State& state) {
    const std::filesystem::path base =
        state.range(0) == 0 ? BenchFolder() : std::filesystem::path("/dev/shm");
    const std::filesystem::path folder = base / ("varnet-bench-write-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    {
        SqliteDb db;
        Status status;
        if (OpenResultsDatabase(db, ResultsDatabasePath(folder), 2000, status) != SchemaOutcome::kReady ||
            !FillStore(db, 100000).ok()) {
            state.SkipWithError("cannot fill the store");
            return;
        }
    }
    ResultsStore store;
    Status status;
    if (store.Open(ResultsDatabasePath(folder), 2000, status) != SchemaOutcome::kReady ||
        !store.BeginSession({"bench", "0", "04_MP.ini"}, kFirstRun).ok()) {
        state.SkipWithError(status.message().c_str());
        return;
    }
    std::mt19937 random(7);
    int64_t n = 100000;
    std::vector<double> millis;
    for (auto _ : state) {
        state.PauseTiming();
        const PortRunRecord record = BenchRun(n++, random);
        if (!store.RecordStarted(record).ok())
            state.SkipWithError("RUNNING row failed");
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (!store.RecordFinished(record).ok())
            state.SkipWithError("DONE transaction failed");
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(millis.begin(), millis.end());
    if (!millis.empty()) {
        state.counters["p50_ms"] = millis[millis.size() / 2];
        state.counters["p99_ms"] = millis[millis.size() * 99 / 100];
    }
    store.Close();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ResultsWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(500);

// A month of one station (about 21 000 runs) out of a million: the query
// and the figures, as the Yield page and varnet-results do them.
void BM_YieldSummary(benchmark::State& state) {
    const std::filesystem::path file = MillionRunStore();
    if (file.empty()) {
        state.SkipWithError("cannot make the million-run store");
        return;
    }
    LocalRunSource source(file);
    RunFilter filter;
    filter.station = "04_MP";
    filter.from = *ParseUtcMillis("2026-03-01T00:00:00.000Z");
    filter.to = *ParseUtcMillis("2026-04-01T00:00:00.000Z");
    std::vector<YieldRun> runs;
    for (auto _ : state) {
        if (!source.FetchYieldRuns(filter, runs).ok())
            state.SkipWithError("query failed");
        const YieldSummary summary = ComputeYieldSummary(runs);
        benchmark::DoNotOptimize(summary.total.runs);
    }
    state.counters["runs"] = static_cast<double>(runs.size());
}
BENCHMARK(BM_YieldSummary)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
