#include "results/line_sync.h"

#include "platform/text_format.h"
#include "results/results_schema.h"
#include "results/stored_run_row.h"
#include "results/utc_time.h"

#include <algorithm>
#include <vector>

namespace varnet {
namespace {

const std::string kUnsynced =
    std::string("SELECT id, ") + kStoredRunColumns +
    " FROM port_run WHERE synced_at IS NULL AND state <> 'RUNNING' ORDER BY id LIMIT ?1";

} // namespace

LineSync::LineSync(LineSyncOptions options) : options_(std::move(options)) {
    thread_ = std::thread([this] { Loop(); });
}

LineSync::~LineSync() {
    Stop();
    thread_.join();
}

void LineSync::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_one();
}

void LineSync::Stop() {
    stopping_.store(true);
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
    passed_.notify_all();
    server_.Cancel();
}

bool LineSync::WaitUntilSynced(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const uint64_t after = passesStarted_;
    woken_ = true;
    wake_.notify_one();
    return passed_.wait_for(lock, timeout, [&] { return lastIdlePass_ > after; });
}

bool LineSync::Failing() {
    std::lock_guard lock(mutex_);
    return failing_;
}

Status LineSync::OpenDatabase(bool& missing) {
    missing = false;
    if (db_.IsOpen())
        return Status::Ok();
    std::error_code ec;
    if (!std::filesystem::exists(options_.databaseFile, ec)) {
        missing = true;
        return Status::Ok();
    }
    Status status = db_.Open(options_.databaseFile, false, options_.busyTimeoutMs);
    int64_t version = 0;
    if (status.ok())
        status = QueryInt(db_, "PRAGMA user_version", version);
    if (status.ok() && version != kResultsSchemaVersion) {
        // The writer has not made or migrated it yet, or it is a newer
        // program's: either way there is nothing this sync may touch.
        missing = true;
        db_.Close();
    }
    if (!status.ok())
        db_.Close();
    return status;
}

Status LineSync::Pass(bool& idle) {
    idle = false;
    bool missing = false;
    Status status = OpenDatabase(missing);
    if (!status.ok())
        return status;
    if (missing) {
        idle = true;
        return Status::Ok();
    }
    SqliteStatement select;
    SqliteStatement mark;
    status = select.Prepare(db_, kUnsynced);
    if (status.ok())
        status = mark.Prepare(db_, "UPDATE port_run SET synced_at = ?1 WHERE id = ?2");
    if (!status.ok()) {
        db_.Close();
        return status;
    }
    while (!stopping_.load()) {
        std::vector<StoredRun> runs;
        std::vector<int64_t> ids;
        select.Bind(1, static_cast<int64_t>(options_.batchSize));
        while (select.Step(status)) {
            ids.push_back(select.Int(0));
            runs.push_back(ReadStoredRun(select, 1));
        }
        select.Reset();
        if (!status.ok()) {
            db_.Close();
            return status;
        }
        if (runs.empty()) {
            idle = true;
            return Status::Ok();
        }
        if (!server_.IsOpen()) {
            status = server_.Connect(options_.serverUrl, options_.connectTimeoutSeconds, &stopping_);
            if (status.ok())
                status = EnsureLineSchema(server_);
            if (!status.ok()) {
                server_.Close();
                return status;
            }
        }
        status = PushRuns(server_, runs);
        if (!status.ok()) {
            server_.Close();
            return status;
        }
        // Stored on the server: a failure from here on only sends the batch
        // again, which the server ignores.
        const std::string now = FormatUtcMillis(std::chrono::system_clock::now());
        status = db_.Exec("BEGIN IMMEDIATE");
        for (size_t i = 0; status.ok() && i < ids.size(); ++i) {
            mark.Bind(1, now);
            mark.Bind(2, ids[i]);
            status = mark.Run();
        }
        if (status.ok())
            status = db_.Exec("COMMIT");
        if (!status.ok()) {
            (void)db_.Exec("ROLLBACK");
            return status;
        }
        pushed_.fetch_add(static_cast<int64_t>(runs.size()));
    }
    return Status::Ok();
}

void LineSync::Loop() {
    auto delay = options_.retryFirst;
    std::unique_lock lock(mutex_);
    while (!stopping_.load()) {
        woken_ = false;
        const uint64_t pass = ++passesStarted_;
        lock.unlock();
        bool idle = false;
        const Status status = Pass(idle);
        std::string report;
        lock.lock();
        if (stopping_.load())
            break;
        if (status.ok()) {
            if (idle)
                lastIdlePass_ = pass;
            if (failing_)
                report = Format("The line server %s is reached again; the runs kept here are being sent.",
                                RedactedUrl(options_.serverUrl).c_str());
            failing_ = false;
            delay = options_.retryFirst;
        } else if (!failing_) {
            failing_ = true;
            report =
                Format("The line server %s cannot be reached (%s). The station runs on; its runs are kept "
                       "here and sent when the server is back.",
                       RedactedUrl(options_.serverUrl).c_str(), status.message().c_str());
        }
        passed_.notify_all();
        if (!report.empty() && options_.onProblem) {
            lock.unlock();
            options_.onProblem(report);
            lock.lock();
        }
        if (status.ok()) {
            if (idle)
                wake_.wait_for(lock, options_.recheck, [&] { return woken_ || stopping_.load(); });
        } else {
            wake_.wait_for(lock, delay, [&] { return stopping_.load(); });
            delay = std::min(delay * 2, options_.retryMost);
        }
    }
    lock.unlock();
    server_.Close();
    db_.Close();
}

} // namespace varnet
