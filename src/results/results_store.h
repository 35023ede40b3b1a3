// ResultsStore: the write side of the results database (Results/results.db
// under the program folder): the session of this program start, a row per
// run (RUNNING when it starts, DONE with its record when it ends), rows a
// crash left RUNNING marked INTERRUPTED, and runs missing from the database
// filled in from the run journals.
//
// Every change is its own transaction, durable when the call returns. A
// run's attempt is the number of finished runs of its drive at its station
// up to and including it, by start time; a drive is its serial number, else
// its drive serial; a run with neither is a drive of its own. Finishing a run
// twice (the journal and the live record) changes nothing the second time.
//
// One thread: the store's writer. Failures come back as Status; FaultCode
// tells what kind (SQLite's primary result code) so the caller can word it.
#pragma once

#include "engine/port_run_record.h"
#include "platform/status.h"
#include "results/results_schema.h"
#include "results/sqlite_db.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace varnet {

struct SessionInfo {
    std::string host;
    std::string programVersion;
    std::string stationFile;
};

struct FillInResult {
    int64_t filledIn = 0; // runs added or completed from the journals
    int64_t badLines = 0;
    int64_t filesRead = 0;
};

// "Results/results.db" under the program folder.
std::filesystem::path ResultsDatabasePath(const std::filesystem::path& programFolder);

// The key a drive is counted by: its serial number, else its drive serial.
std::string_view DriveKeyOf(const PortRunRecord& record);

class ResultsStore {
public:
    ResultsStore() = default;
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;

    // busyTimeoutMs: how long a call waits for another connection's lock
    // before it fails with SQLITE_BUSY.
    SchemaOutcome Open(const std::filesystem::path& databaseFile, int busyTimeoutMs, Status& status);
    void Close();
    bool IsOpen() const { return db_.IsOpen(); }
    int FaultCode() const { return db_.LastErrorCode(); }

    Status BeginSession(const SessionInfo& session, std::chrono::system_clock::time_point startedAt);
    int64_t SessionId() const { return sessionId_; }

    Status RecordStarted(const PortRunRecord& record);
    Status RecordFinished(const PortRunRecord& record);
    // RUNNING rows of earlier sessions (a crash ended them) become INTERRUPTED.
    // Only a program that holds the station folder may call it: another
    // program's live runs are RUNNING too.
    Status MarkInterrupted(int64_t& marked);
    // At the end of this session: its rows still RUNNING (runs that never
    // finished) become INTERRUPTED.
    Status MarkSessionInterrupted(int64_t& marked);
    // Reads what each Log/*/runs.jsonl gained since the last fill-in and
    // stores the finished runs the database lacks, one transaction per file.
    Status FillInFromJournals(const std::filesystem::path& programFolder, FillInResult& result);
    // Whether the run is stored and finished.
    Status IsDone(std::string_view runId, bool& done);

    SqliteDb& Db() { return db_; }

private:
    Status Prepare();
    // RUNNING rows whose session matches the condition (on ?1, this
    // session's id) become INTERRUPTED.
    Status MarkRunningInterrupted(const char* sessionCondition, int64_t& marked);
    // The DONE upsert and the attempt bookkeeping, inside a transaction.
    Status StoreFinished(const PortRunRecord& record, bool& changed);
    // Inside a transaction: a run's start, or its serial number taken.
    Status StoreStarted(const PortRunRecord& record);
    Status InTransaction(const std::function<Status()>& work);

    SqliteDb db_;
    int64_t sessionId_ = 0;
    SqliteStatement insertStarted_;
    SqliteStatement countEarlier_;
    SqliteStatement upsertFinished_;
    SqliteStatement renumberLater_;
    SqliteStatement isDone_;
};

} // namespace varnet
