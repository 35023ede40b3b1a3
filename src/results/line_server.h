// The line server: a PostgreSQL database that every station of a line
// forwards its runs to (line_sync.h), and that varnet-results reads for the
// line's figures.
//
// PgConnection owns one libpq connection; Cancel may be called from another
// thread to end a call in flight (a station that is closing never waits for
// the network). The server's table has the run id as its key, so a run sent
// twice (a sync cut off before its local bookkeeping) is stored once:
// PushRuns inserts each run once (ON CONFLICT (run_id)); only a run the
// server holds as interrupted is completed by its finished row. EnsureLineSchema
// creates the table and its indexes if missing, serialised between stations
// by an advisory lock. Texts are sent as valid UTF-8 without NUL bytes, which
// the server could not store.
//
// ServerRunSource reads the same figures as LocalRunSource (run_query.h),
// over every station's runs; a first attempt is judged over the whole line.
// Failures are Status values carrying the server's words, never a password
// of the connection string.
#pragma once

#include "platform/status.h"
#include "results/run_query.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

typedef struct pg_conn PGconn;
typedef struct pg_cancel PGcancel;

namespace varnet {

class PgConnection {
public:
    PgConnection() = default;
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // url: "postgresql://user@host:port/db" or any libpq connection string.
    // Gives up after the timeout, or soon after *stop becomes true. A failure's
    // message holds no password of url.
    Status Connect(const std::string& url, int connectTimeoutSeconds = 5,
                   const std::atomic<bool>* stop = nullptr);
    void Close();
    bool IsOpen() const { return conn_ != nullptr; }
    PGconn* Handle() const { return conn_; }
    // Ends a call in flight on another thread; nothing when idle.
    void Cancel();

    Status Exec(const char* sql);

private:
    PGconn* conn_ = nullptr;
    std::mutex cancelMutex_;
    PGcancel* cancel_ = nullptr; // under cancelMutex_
};

Status EnsureLineSchema(PgConnection& connection);

// The connection string as it may be shown: a password in it, in any form
// (platform/secret_redaction.h), is replaced by "***".
std::string RedactedUrl(const std::string& url);

// One statement, so a batch is stored whole or not at all.
Status PushRuns(PgConnection& connection, const std::vector<StoredRun>& runs);

class ServerRunSource final : public RunSource {
public:
    explicit ServerRunSource(std::string url) : url_(std::move(url)) {}

    Status FetchYieldRuns(const RunFilter& filter, std::vector<YieldRun>& runs) override;
    Status FetchRuns(const RunFilter& filter, std::vector<StoredRun>& runs) override;
    Status FetchStations(std::vector<std::string>& stations) override;

private:
    Status Connect();
    std::string url_;
    PgConnection connection_;
};

} // namespace varnet
