#include "results/results_store.h"

#include "platform/diagnostic_log.h"
#include "platform/text_format.h"
#include "results/journal_reader.h"
#include "results/utc_time.h"

namespace varnet {
namespace {

// A run's start, and again once it has taken a serial number: the number is
// kept while the run still goes on, so a run cut short names it.
constexpr const char* kInsertStarted = R"sql(
INSERT INTO port_run (run_id, session_id, station, port, drive, interface_path, started_at, host, station_file,
                      drive_serial, serial, state)
VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, 'RUNNING')
ON CONFLICT (run_id) DO UPDATE SET serial = excluded.serial, drive_serial = excluded.drive_serial
    WHERE port_run.state = 'RUNNING' AND excluded.serial <> ''
)sql";

constexpr const char* kCountEarlier = R"sql(
SELECT count(*) FROM port_run
WHERE station = ?1 AND drive_key = ?2 AND state = 'DONE' AND (started_at < ?3 OR (started_at = ?3 AND run_id < ?4))
)sql";

constexpr const char* kUpsertFinished = R"sql(
INSERT INTO port_run (run_id, session_id, station, port, drive, interface_path, model, firmware, drive_serial,
                      serial, flash_id, verdict, error_code, error_message, text, report_path, aux_report_path,
                      started_at, ended_at, duration_ms, host, station_file, drive_key, attempt, state)
VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23,
        ?24, 'DONE')
ON CONFLICT (run_id) DO UPDATE SET
    session_id = coalesce(port_run.session_id, excluded.session_id),
    station = excluded.station, port = excluded.port, drive = excluded.drive,
    interface_path = excluded.interface_path, model = excluded.model, firmware = excluded.firmware,
    drive_serial = excluded.drive_serial, serial = excluded.serial, flash_id = excluded.flash_id,
    verdict = excluded.verdict, error_code = excluded.error_code, error_message = excluded.error_message,
    text = excluded.text, report_path = excluded.report_path, aux_report_path = excluded.aux_report_path,
    started_at = excluded.started_at, ended_at = excluded.ended_at, duration_ms = excluded.duration_ms,
    host = excluded.host, station_file = excluded.station_file, drive_key = excluded.drive_key,
    attempt = excluded.attempt, state = 'DONE',
    -- A run the line server took as interrupted goes to it again, finished.
    synced_at = NULL
WHERE port_run.state <> 'DONE'
)sql";

// A run stored after later runs of its drive (filled in from a journal)
// moves their attempts on by one.
constexpr const char* kRenumberLater = R"sql(
UPDATE port_run SET attempt = attempt + 1
WHERE station = ?1 AND drive_key = ?2 AND state = 'DONE' AND (started_at > ?3 OR (started_at = ?3 AND run_id > ?4))
)sql";

constexpr const char* kIsDone = "SELECT state = 'DONE' FROM port_run WHERE run_id = ?1";

} // namespace

std::filesystem::path ResultsDatabasePath(const std::filesystem::path& programFolder) {
    return programFolder / "Results" / "results.db";
}

std::string_view DriveKeyOf(const PortRunRecord& record) {
    return record.serial.empty() ? std::string_view(record.driveSerial) : std::string_view(record.serial);
}

SchemaOutcome ResultsStore::Open(const std::filesystem::path& databaseFile, int busyTimeoutMs,
                                 Status& status) {
    Close();
    const SchemaOutcome outcome = OpenResultsDatabase(db_, databaseFile, busyTimeoutMs, status);
    if (outcome != SchemaOutcome::kReady)
        return outcome;
    status = Prepare();
    if (!status.ok()) {
        Close();
        return SchemaOutcome::kFailed;
    }
    return outcome;
}

void ResultsStore::Close() {
    insertStarted_.Finalize();
    countEarlier_.Finalize();
    upsertFinished_.Finalize();
    renumberLater_.Finalize();
    isDone_.Finalize();
    db_.Close();
}

Status ResultsStore::Prepare() {
    for (auto [statement, sql] :
         {std::pair{&insertStarted_, kInsertStarted}, std::pair{&countEarlier_, kCountEarlier},
          std::pair{&upsertFinished_, kUpsertFinished}, std::pair{&renumberLater_, kRenumberLater},
          std::pair{&isDone_, kIsDone}}) {
        Status status = statement->Prepare(db_, sql);
        if (!status.ok())
            return status;
    }
    return Status::Ok();
}

Status ResultsStore::InTransaction(const std::function<Status()>& work) {
    Status status = db_.Exec("BEGIN IMMEDIATE");
    if (!status.ok())
        return status;
    status = work();
    if (status.ok())
        status = db_.Exec("COMMIT");
    if (!status.ok())
        LogDiscarded(db_.Exec("ROLLBACK"));
    return status;
}

Status ResultsStore::BeginSession(const SessionInfo& session,
                                  std::chrono::system_clock::time_point startedAt) {
    SqliteStatement insert;
    Status status = insert.Prepare(
        db_, "INSERT INTO session (host, program_version, station_file, started_at) VALUES (?1, ?2, ?3, ?4)");
    if (!status.ok())
        return status;
    insert.Bind(1, session.host);
    insert.Bind(2, session.programVersion);
    insert.Bind(3, session.stationFile);
    insert.Bind(4, FormatUtcMillis(startedAt));
    status = insert.Run();
    if (status.ok())
        sessionId_ = db_.LastInsertRowId();
    return status;
}

Status ResultsStore::RecordStarted(const PortRunRecord& r) {
    return InTransaction([&] { return StoreStarted(r); });
}

Status ResultsStore::StoreStarted(const PortRunRecord& r) {
    {
        insertStarted_.Bind(1, r.runId);
        if (sessionId_ > 0)
            insertStarted_.Bind(2, sessionId_);
        else
            insertStarted_.BindNull(2);
        insertStarted_.Bind(3, r.station);
        insertStarted_.Bind(4, static_cast<int64_t>(r.port));
        insertStarted_.Bind(5, static_cast<int64_t>(r.drive));
        insertStarted_.Bind(6, r.interfacePath);
        insertStarted_.Bind(7, FormatUtcMillis(r.startedAt));
        insertStarted_.Bind(8, r.host);
        insertStarted_.Bind(9, r.stationFile);
        insertStarted_.Bind(10, r.driveSerial);
        insertStarted_.Bind(11, r.serial);
        return insertStarted_.Run();
    }
}

Status ResultsStore::StoreFinished(const PortRunRecord& r, bool& changed) {
    changed = false;
    const std::string startedAt = FormatUtcMillis(r.startedAt);
    const std::string_view driveKey = DriveKeyOf(r);
    int64_t attempt = 1;
    Status status;
    if (!driveKey.empty()) {
        countEarlier_.Bind(1, r.station);
        countEarlier_.Bind(2, driveKey);
        countEarlier_.Bind(3, startedAt);
        countEarlier_.Bind(4, r.runId);
        if (countEarlier_.Step(status))
            attempt += countEarlier_.Int(0);
        countEarlier_.Reset();
        if (!status.ok())
            return status;
    }
    SqliteStatement& u = upsertFinished_;
    u.Bind(1, r.runId);
    if (sessionId_ > 0)
        u.Bind(2, sessionId_);
    else
        u.BindNull(2);
    u.Bind(3, r.station);
    u.Bind(4, static_cast<int64_t>(r.port));
    u.Bind(5, static_cast<int64_t>(r.drive));
    u.Bind(6, r.interfacePath);
    u.Bind(7, r.model);
    u.Bind(8, r.firmware);
    u.Bind(9, r.driveSerial);
    u.Bind(10, r.serial);
    u.Bind(11, r.flashId);
    u.Bind(12, r.verdict);
    u.Bind(13, r.errorCode);
    u.Bind(14, r.errorMessage);
    u.Bind(15, r.text);
    u.Bind(16, r.reportPath);
    u.Bind(17, r.auxReportPath);
    u.Bind(18, startedAt);
    u.Bind(19, FormatUtcMillis(r.endedAt));
    u.Bind(20, r.durationMs);
    u.Bind(21, r.host);
    u.Bind(22, r.stationFile);
    u.Bind(23, driveKey);
    u.Bind(24, attempt);
    status = u.Run();
    if (!status.ok())
        return status;
    changed = db_.Changes() > 0;
    if (!changed || driveKey.empty())
        return Status::Ok();
    renumberLater_.Bind(1, r.station);
    renumberLater_.Bind(2, driveKey);
    renumberLater_.Bind(3, startedAt);
    renumberLater_.Bind(4, r.runId);
    return renumberLater_.Run();
}

Status ResultsStore::RecordFinished(const PortRunRecord& record) {
    return InTransaction([&] {
        bool changed = false;
        return StoreFinished(record, changed);
    });
}

Status ResultsStore::MarkInterrupted(int64_t& marked) {
    return MarkRunningInterrupted("(session_id IS NULL OR session_id <> ?1)", marked);
}

Status ResultsStore::MarkSessionInterrupted(int64_t& marked) {
    marked = 0;
    if (sessionId_ <= 0)
        return Status::Ok();
    return MarkRunningInterrupted("session_id = ?1", marked);
}

Status ResultsStore::MarkRunningInterrupted(const char* sessionCondition, int64_t& marked) {
    marked = 0;
    SqliteStatement update;
    Status status = update.Prepare(
        db_, std::string("UPDATE port_run SET state = 'INTERRUPTED' WHERE state = 'RUNNING' AND ") +
                 sessionCondition);
    if (!status.ok())
        return status;
    update.Bind(1, sessionId_);
    status = update.Run();
    if (status.ok())
        marked = db_.Changes();
    return status;
}

Status ResultsStore::IsDone(std::string_view runId, bool& done) {
    done = false;
    Status status;
    isDone_.Bind(1, runId);
    if (isDone_.Step(status))
        done = isDone_.Int(0) != 0;
    isDone_.Reset();
    return status;
}

Status ResultsStore::FillInFromJournals(const std::filesystem::path& programFolder, FillInResult& result) {
    result = FillInResult{};
    SqliteStatement checked;
    SqliteStatement remember;
    Status status = checked.Prepare(db_, "SELECT checked_bytes FROM journal_file WHERE name = ?1");
    if (status.ok())
        status =
            remember.Prepare(db_, "INSERT INTO journal_file (name, checked_bytes) VALUES (?1, ?2) "
                                  "ON CONFLICT (name) DO UPDATE SET checked_bytes = excluded.checked_bytes");
    if (!status.ok())
        return status;
    const int64_t liveSession = sessionId_;
    for (const std::filesystem::path& file : JournalFiles(programFolder)) {
        const std::string name = file.parent_path().filename().string() + "/" + file.filename().string();
        std::error_code ec;
        const auto size = static_cast<int64_t>(std::filesystem::file_size(file, ec));
        if (ec)
            continue;
        int64_t offset = 0;
        checked.Bind(1, name);
        if (checked.Step(status))
            offset = checked.Int(0);
        checked.Reset();
        if (!status.ok())
            return status;
        if (size == offset)
            continue;
        // A file shorter than what was read of it was replaced: read it all.
        if (size < offset)
            offset = 0;
        JournalRead read;
        if (!ReadJournal(file, static_cast<uint64_t>(offset), read).ok())
            continue;
        ++result.filesRead;
        result.badLines += read.badLines;
        // Runs from a journal belong to no session this store knows of.
        sessionId_ = 0;
        status = InTransaction([&] {
            for (const PortRunRecord& record : read.records) {
                // A run that had taken its serial number: a row that names
                // it, which the finished line (if any) completes.
                if (record.inProgress) {
                    if (Status started = StoreStarted(record); !started.ok())
                        return started;
                    continue;
                }
                bool changed = false;
                Status stored = StoreFinished(record, changed);
                if (!stored.ok())
                    return stored;
                result.filledIn += changed ? 1 : 0;
            }
            remember.Bind(1, name);
            remember.Bind(2, static_cast<int64_t>(read.endOffset));
            return remember.Run();
        });
        sessionId_ = liveSession;
        if (!status.ok())
            return status;
    }
    return Status::Ok();
}

} // namespace varnet
