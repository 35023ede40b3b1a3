#include "results/line_server.h"

#include "platform/secret_redaction.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "results/results_store.h"

#include <libpq-fe.h>

#include <chrono>
#include <memory>
#include <poll.h>

namespace varnet {
namespace {

constexpr const char* kLineSchema = R"sql(
BEGIN;
SELECT pg_advisory_xact_lock(727001);
CREATE TABLE IF NOT EXISTS port_run (
    run_id text PRIMARY KEY,
    station text NOT NULL,
    port integer NOT NULL,
    drive integer NOT NULL,
    interface_path text NOT NULL,
    model text NOT NULL,
    firmware text NOT NULL,
    drive_serial text NOT NULL,
    serial text NOT NULL,
    flash_id text NOT NULL,
    verdict text NOT NULL,
    error_code text NOT NULL,
    error_message text NOT NULL,
    text text NOT NULL,
    report_path text NOT NULL,
    aux_report_path text NOT NULL,
    started_at timestamptz NOT NULL,
    ended_at timestamptz,
    duration_ms bigint,
    host text NOT NULL,
    station_file text NOT NULL,
    drive_key text NOT NULL,
    state text NOT NULL,
    attempt integer NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX IF NOT EXISTS port_run_station_time ON port_run (station, started_at);
CREATE INDEX IF NOT EXISTS port_run_time ON port_run (started_at);
CREATE INDEX IF NOT EXISTS port_run_drive ON port_run (station, drive_key, started_at);
COMMIT;
)sql";

constexpr int kPushColumns = 24;

constexpr const char* kPushHead =
    "INSERT INTO port_run (run_id, station, port, drive, interface_path, model, firmware, drive_serial, "
    "serial, "
    "flash_id, verdict, error_code, error_message, text, report_path, aux_report_path, started_at, ended_at, "
    "duration_ms, host, station_file, drive_key, state, attempt) VALUES ";

// A server time as the stored UTC text of utc_time.h.
std::string IsoTime(const char* column) {
    return std::string("to_char(") + column + " AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')";
}

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

Status ResultStatus(PGconn* conn, const Result& result, ExecStatusType expected) {
    if (result && PQresultStatus(result.get()) == expected)
        return Status::Ok();
    std::string message = result ? PQresultErrorMessage(result.get()) : PQerrorMessage(conn);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return Status::Error(message.empty() ? std::string("the line server did not answer") : message);
}

// The server keeps text as UTF-8 and cannot hold a NUL byte.
std::string ServerText(std::string_view text) {
    std::string valid = ValidUtf8(text);
    std::string out;
    out.reserve(valid.size());
    for (char c : valid) {
        if (c == '\0')
            out += "\xEF\xBF\xBD";
        else
            out += c;
    }
    return out;
}

struct Params {
    std::vector<std::string> values;
    std::vector<bool> nulls;
    void Add(std::string value) {
        values.push_back(std::move(value));
        nulls.push_back(false);
    }
    void AddNull() {
        values.emplace_back();
        nulls.push_back(true);
    }
    std::vector<const char*> Pointers() const {
        std::vector<const char*> pointers(values.size());
        for (size_t i = 0; i < values.size(); ++i)
            pointers[i] = nulls[i] ? nullptr : values[i].c_str();
        return pointers;
    }
};

std::string FilterSql(const RunFilter& filter, Params& params, const char* table) {
    std::string where;
    if (filter.from) {
        params.Add(FormatUtcMillis(*filter.from));
        where += Format(" AND %s.started_at >= $%zu::timestamptz", table, params.values.size());
    }
    if (filter.to) {
        params.Add(FormatUtcMillis(*filter.to));
        where += Format(" AND %s.started_at < $%zu::timestamptz", table, params.values.size());
    }
    if (!filter.station.empty()) {
        params.Add(filter.station);
        where += Format(" AND %s.station = $%zu", table, params.values.size());
    }
    return where;
}

Result Query(PgConnection& connection, const std::string& sql, const Params& params) {
    const std::vector<const char*> pointers = params.Pointers();
    return Result(PQexecParams(connection.Handle(), sql.c_str(), static_cast<int>(pointers.size()), nullptr,
                               pointers.data(), nullptr, nullptr, 0));
}

std::string Value(PGresult* result, int row, int column) {
    return std::string(PQgetvalue(result, row, column),
                       static_cast<size_t>(PQgetlength(result, row, column)));
}

int64_t IntValue(PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column))
        return 0;
    return std::strtoll(PQgetvalue(result, row, column), nullptr, 10);
}

SystemTime TimeValue(PGresult* result, int row, int column) {
    const auto time = ParseUtcMillis(Value(result, row, column));
    return time ? *time : SystemTime{};
}

} // namespace

PgConnection::~PgConnection() {
    Close();
}

Status PgConnection::Connect(const std::string& url, int connectTimeoutSeconds,
                             const std::atomic<bool>* stop) {
    Close();
    const char* keys[] = {"dbname", "client_encoding", "application_name", nullptr};
    const char* values[] = {url.c_str(), "UTF8", "varnettool", nullptr};
    PGconn* conn = PQconnectStartParams(keys, values, 1);
    if (!conn)
        return Status::Error("out of memory");
    // Polled here rather than left to libpq, so that a closing station does
    // not wait out a connection attempt to a server that does not answer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(connectTimeoutSeconds);
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    std::string failure;
    if (PQstatus(conn) == CONNECTION_BAD)
        polling = PGRES_POLLING_FAILED;
    while (polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED) {
        pollfd wait{PQsocket(conn), static_cast<short>(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT),
                    0};
        const int ready = wait.fd < 0 ? 1 : ::poll(&wait, 1, 100);
        if (stop && stop->load()) {
            failure = "the connection attempt was called off";
            break;
        }
        if (ready > 0)
            polling = PQconnectPoll(conn);
        else if (std::chrono::steady_clock::now() >= deadline) {
            failure = "the line server did not answer in time";
            break;
        }
    }
    if (failure.empty() && PQstatus(conn) != CONNECTION_OK) {
        failure = PQerrorMessage(conn);
        while (!failure.empty() && (failure.back() == '\n' || failure.back() == ' '))
            failure.pop_back();
        if (failure.empty())
            failure = "the line server refused the connection";
    }
    if (!failure.empty()) {
        PQfinish(conn);
        // The client quotes the pieces of a string it cannot parse.
        return Status::Error(RedactSecrets(failure, url));
    }
    // The server's notices ("relation already exists, skipping") are no
    // news to the station.
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    std::lock_guard lock(cancelMutex_);
    conn_ = conn;
    cancel_ = PQgetCancel(conn_);
    return Status::Ok();
}

void PgConnection::Close() {
    std::lock_guard lock(cancelMutex_);
    if (cancel_)
        PQfreeCancel(cancel_);
    cancel_ = nullptr;
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
}

void PgConnection::Cancel() {
    std::lock_guard lock(cancelMutex_);
    if (cancel_) {
        char error[256];
        (void)PQcancel(cancel_, error, sizeof error);
    }
}

Status PgConnection::Exec(const char* sql) {
    if (!conn_)
        return Status::Error("not connected to the line server");
    Result result(PQexec(conn_, sql));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return Status::Ok();
    return ResultStatus(conn_, result, PGRES_COMMAND_OK);
}

std::string RedactedUrl(const std::string& url) {
    return RedactedConnection(url);
}

Status EnsureLineSchema(PgConnection& connection) {
    Status status = connection.Exec(kLineSchema);
    if (!status.ok())
        (void)connection.Exec("ROLLBACK");
    return status;
}

Status PushRuns(PgConnection& connection, const std::vector<StoredRun>& runs) {
    if (runs.empty())
        return Status::Ok();
    if (!connection.IsOpen())
        return Status::Error("not connected to the line server");
    std::string sql = kPushHead;
    Params params;
    params.values.reserve(runs.size() * kPushColumns);
    for (size_t row = 0; row < runs.size(); ++row) {
        const StoredRun& run = runs[row];
        const PortRunRecord& r = run.record;
        sql += row == 0 ? "(" : ", (";
        for (int column = 1; column <= kPushColumns; ++column) {
            const size_t n = row * kPushColumns + static_cast<size_t>(column);
            if (column > 1)
                sql += ", ";
            sql += Format("$%zu", n);
            if (column == 17 || column == 18)
                sql += "::timestamptz";
            else if (column == 3 || column == 4 || column == 24)
                sql += "::integer";
            else if (column == 19)
                sql += "::bigint";
        }
        sql += ')';
        const bool finished = run.state == "DONE";
        params.Add(ServerText(r.runId));
        params.Add(ServerText(r.station));
        params.Add(std::to_string(r.port));
        params.Add(std::to_string(r.drive));
        params.Add(ServerText(r.interfacePath));
        params.Add(ServerText(r.model));
        params.Add(ServerText(r.firmware));
        params.Add(ServerText(r.driveSerial));
        params.Add(ServerText(r.serial));
        params.Add(ServerText(r.flashId));
        params.Add(ServerText(r.verdict));
        params.Add(ServerText(r.errorCode));
        params.Add(ServerText(r.errorMessage));
        params.Add(ServerText(r.text));
        params.Add(ServerText(r.reportPath));
        params.Add(ServerText(r.auxReportPath));
        params.Add(FormatUtcMillis(r.startedAt));
        if (finished) {
            params.Add(FormatUtcMillis(r.endedAt));
            params.Add(std::to_string(r.durationMs));
        } else {
            params.AddNull();
            params.AddNull();
        }
        params.Add(ServerText(r.host));
        params.Add(ServerText(r.stationFile));
        params.Add(ServerText(DriveKeyOf(r)));
        params.Add(run.state);
        params.Add(std::to_string(run.attempt));
    }
    // A run is stored once. Only a run the server took as interrupted (its
    // station learnt later, from its journal, how it ended) is completed.
    sql +=
        " ON CONFLICT (run_id) DO UPDATE SET "
        "station = excluded.station, port = excluded.port, drive = excluded.drive, "
        "interface_path = excluded.interface_path, model = excluded.model, firmware = excluded.firmware, "
        "drive_serial = excluded.drive_serial, serial = excluded.serial, flash_id = excluded.flash_id, "
        "verdict = excluded.verdict, error_code = excluded.error_code, "
        "error_message = excluded.error_message, text = excluded.text, report_path = excluded.report_path, "
        "aux_report_path = excluded.aux_report_path, started_at = excluded.started_at, "
        "ended_at = excluded.ended_at, duration_ms = excluded.duration_ms, host = excluded.host, "
        "station_file = excluded.station_file, drive_key = excluded.drive_key, state = excluded.state, "
        "attempt = excluded.attempt "
        "WHERE port_run.state <> 'DONE' AND excluded.state = 'DONE'";
    const Result result = Query(connection, sql, params);
    return ResultStatus(connection.Handle(), result, PGRES_COMMAND_OK);
}

Status ServerRunSource::Connect() {
    if (connection_.IsOpen() && PQstatus(connection_.Handle()) == CONNECTION_OK)
        return Status::Ok();
    return connection_.Connect(url_);
}

Status ServerRunSource::FetchYieldRuns(const RunFilter& filter, std::vector<YieldRun>& runs) {
    runs.clear();
    Status status = Connect();
    if (!status.ok())
        return status;
    Params params;
    const std::string where = FilterSql(filter, params, "r");
    // A first attempt over the whole line: no earlier finished run of the
    // drive at the station, on any computer.
    const std::string sql =
        "SELECT r.station, r.host, r.port, r.drive_key, r.flash_id, r.verdict, r.error_code, "
        "CASE WHEN r.verdict = 'Pass' THEN '' ELSE r.text END, "
        "floor(extract(epoch FROM r.started_at) * 1000)::bigint, "
        "(r.drive_key = '' OR NOT EXISTS (SELECT 1 FROM port_run e WHERE e.station = r.station AND "
        "e.drive_key = r.drive_key AND e.state = 'DONE' AND (e.started_at < r.started_at OR "
        "(e.started_at = r.started_at AND e.run_id < r.run_id)))) "
        "FROM port_run r WHERE r.state = 'DONE' AND r.station <> 'Identify'" +
        where + " ORDER BY r.started_at";
    const Result result = Query(connection_, sql, params);
    status = ResultStatus(connection_.Handle(), result, PGRES_TUPLES_OK);
    if (!status.ok())
        return status;
    const int rows = PQntuples(result.get());
    runs.reserve(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        YieldRun& run = runs.emplace_back();
        PGresult* res = result.get();
        run.station = Value(res, i, 0);
        run.host = Value(res, i, 1);
        run.port = static_cast<int>(IntValue(res, i, 2));
        run.driveKey = Value(res, i, 3);
        run.flashId = Value(res, i, 4);
        run.verdict = Value(res, i, 5);
        run.errorCode = Value(res, i, 6);
        run.text = Value(res, i, 7);
        run.startedMs = IntValue(res, i, 8);
        run.firstAttempt = Value(res, i, 9) == "t";
    }
    return Status::Ok();
}

Status ServerRunSource::FetchRuns(const RunFilter& filter, std::vector<StoredRun>& runs) {
    runs.clear();
    Status status = Connect();
    if (!status.ok())
        return status;
    Params params;
    const std::string where = FilterSql(filter, params, "port_run");
    const std::string sql = "SELECT run_id, station, port, drive, interface_path, model, firmware, "
                            "drive_serial, serial, flash_id, "
                            "verdict, error_code, error_message, text, report_path, aux_report_path, " +
                            IsoTime("started_at") + ", " + IsoTime("ended_at") +
                            ", duration_ms, host, station_file, state, attempt, " + IsoTime("received_at") +
                            " FROM port_run WHERE true" + where + " ORDER BY started_at";
    const Result result = Query(connection_, sql, params);
    status = ResultStatus(connection_.Handle(), result, PGRES_TUPLES_OK);
    if (!status.ok())
        return status;
    const int rows = PQntuples(result.get());
    runs.reserve(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        PGresult* res = result.get();
        StoredRun& run = runs.emplace_back();
        PortRunRecord& r = run.record;
        r.runId = Value(res, i, 0);
        r.station = Value(res, i, 1);
        r.port = static_cast<int>(IntValue(res, i, 2));
        r.drive = static_cast<int32_t>(IntValue(res, i, 3));
        r.interfacePath = Value(res, i, 4);
        r.model = Value(res, i, 5);
        r.firmware = Value(res, i, 6);
        r.driveSerial = Value(res, i, 7);
        r.serial = Value(res, i, 8);
        r.flashId = Value(res, i, 9);
        r.verdict = Value(res, i, 10);
        r.errorCode = Value(res, i, 11);
        r.errorMessage = Value(res, i, 12);
        r.text = Value(res, i, 13);
        r.reportPath = Value(res, i, 14);
        r.auxReportPath = Value(res, i, 15);
        r.startedAt = TimeValue(res, i, 16);
        r.endedAt = TimeValue(res, i, 17);
        r.durationMs = IntValue(res, i, 18);
        r.host = Value(res, i, 19);
        r.stationFile = Value(res, i, 20);
        run.state = Value(res, i, 21);
        run.attempt = IntValue(res, i, 22);
        run.syncedAt = Value(res, i, 23);
    }
    return Status::Ok();
}

Status ServerRunSource::FetchStations(std::vector<std::string>& stations) {
    stations.clear();
    Status status = Connect();
    if (!status.ok())
        return status;
    const Result result(PQexec(connection_.Handle(), "SELECT DISTINCT station FROM port_run WHERE station <> "
                                                     "'Identify' ORDER BY station"));
    status = ResultStatus(connection_.Handle(), result, PGRES_TUPLES_OK);
    if (!status.ok())
        return status;
    for (int i = 0; i < PQntuples(result.get()); ++i)
        stations.push_back(Value(result.get(), i, 0));
    return Status::Ok();
}

} // namespace varnet
