// LineSync: forwards the runs of the station's results database to the line
// server (line_server.h) on a thread of its own.
//
// Every finished or interrupted row not yet marked synced is sent in batches;
// a batch is marked synced (synced_at) locally only after the server has
// stored it, and the server ignores a run it already has, so across
// restarts, outages and a sync cut off half-way every run arrives exactly
// once. While the server is away the thread retries with a growing pause
// (retryFirst doubling up to retryMost), reports the trouble once and its end
// once; nothing waits for it: the writer only wakes it, and Stop calls off a
// connection attempt or a statement in flight.
//
// It reads and marks the database through a connection of its own (the
// writer's lock waits are short: one batch's marks are one transaction).
// A missing database means nothing to send yet.
#pragma once

#include "results/line_server.h"
#include "results/results_problem.h"
#include "results/sqlite_db.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

namespace varnet {

struct LineSyncOptions {
    std::filesystem::path databaseFile;
    std::string serverUrl;
    std::chrono::milliseconds retryFirst{1000};
    std::chrono::milliseconds retryMost{60000};
    // A look for unsent runs even when nobody woke the thread.
    std::chrono::milliseconds recheck{30000};
    int batchSize = 500;
    int busyTimeoutMs = 2000;
    int connectTimeoutSeconds = 5;
    ProblemReport onProblem;
};

class LineSync {
public:
    explicit LineSync(LineSyncOptions options);
    ~LineSync();
    LineSync(const LineSync&) = delete;
    LineSync& operator=(const LineSync&) = delete;

    // New runs are stored: send them.
    void Wake();
    // Ends the thread soon; the destructor waits for it.
    void Stop();

    int64_t Pushed() const { return pushed_.load(); }
    // Waits until a pass begun after this call found nothing left to send;
    // false when the timeout passes first.
    bool WaitUntilSynced(std::chrono::milliseconds timeout);
    // The last pass failed: the server is away until a pass gets through.
    bool Failing();

private:
    void Loop();
    // One pass: sends batches until none is left (idle) or a failure.
    Status Pass(bool& idle);
    Status OpenDatabase(bool& missing);

    LineSyncOptions options_;
    SqliteDb db_;         // sync thread only
    PgConnection server_; // sync thread, Cancel from others
    std::atomic<bool> stopping_{false};
    std::atomic<int64_t> pushed_{0};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable passed_;
    bool woken_ = false;
    bool failing_ = false;
    uint64_t passesStarted_ = 0;
    uint64_t lastIdlePass_ = 0;
    std::thread thread_;
};

} // namespace varnet
