// ResultsOutput: the run-record output that keeps the results database
// (results_store.h) on a writer thread of its own.
//
// RunStarted and RunFinished only queue the record and return: the station
// never waits for the database. The writer stores each event in its own
// durable transaction, in order. On its first successful open it starts this
// program's session, fills in finished runs the database lacks from the run
// journals (a crash between journal and database) and marks rows a crash
// left RUNNING as INTERRUPTED.
//
// A database that is locked, damaged, unwritable or on a full disk is
// reported once (and once more when it works again); the writer retries with
// a growing pause, and the records wait in a queue of queueCapacity events.
// When it is full the oldest events are dropped from memory only: once the
// database works again, the runs they belonged to are filled in from the run
// journal, which holds every finished run. A database of a newer schema is
// refused: reported once, left alone, and nothing more is queued.
//
// With a line server set, a LineSync (line_sync.h) forwards the stored runs
// and is woken after every stored run.
//
// Flush (at exit) drains the queue while the database works; otherwise it
// tries once more and returns, leaving the rest to the journal and the next
// start. With the database working it then marks this session's runs that
// never finished (still RUNNING: the program ends without them) as
// INTERRUPTED, and with a line server it waits up to lineFlushWait for the
// last runs to reach the server (not at all while the server is away: they
// go at the next start). The destructor stops the threads. Problem reports come from the
// writer or the sync thread.
#pragma once

#include "engine/run_record_output.h"
#include "results/results_problem.h"
#include "results/results_store.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>

namespace varnet {

class LineSync;

struct ResultsOutputOptions {
    std::filesystem::path programFolder; // Results/results.db and Log/*/runs.jsonl beneath it
    SessionInfo session;                 // an empty host: this computer's name
    std::string lineServer;              // a libpq URL; empty: this station only
    size_t queueCapacity = 10000;
    std::chrono::milliseconds retryFirst{1000};
    std::chrono::milliseconds retryMost{30000};
    int busyTimeoutMs = 2000;
    // The line sync's pauses while the server is away.
    std::chrono::milliseconds syncRetryFirst{1000};
    std::chrono::milliseconds syncRetryMost{60000};
    std::chrono::milliseconds lineFlushWait{5000};
    ProblemReport onProblem;
};

class ResultsOutput final : public RunRecordOutput {
public:
    explicit ResultsOutput(ResultsOutputOptions options);
    ~ResultsOutput() override;
    ResultsOutput(const ResultsOutput&) = delete;
    ResultsOutput& operator=(const ResultsOutput&) = delete;

    void RunStarted(const PortRunRecord& record) override;
    void RunSerialTaken(const PortRunRecord& record) override;
    void RunFinished(const PortRunRecord& record) override;
    void Flush() override;

    struct Stats {
        int64_t stored = 0;   // events written
        int64_t dropped = 0;  // events dropped from a full queue
        int64_t filledIn = 0; // runs filled in from the journals
        int64_t interrupted = 0;
        size_t waiting = 0;   // events in the queue
        size_t missing = 0;   // dropped runs not yet found in the journals
        bool working = false; // the database is open and the last write went through
        bool refused = false; // the database is of a newer schema
    };
    Stats GetStats() const;

    // Waits until every queued event is stored and every dropped run filled
    // in, or the database is refused; false when timeout passes first.
    bool WaitUntilStored(std::chrono::milliseconds timeout);

    // The line server's forwarder; null without a line server.
    LineSync* Sync() const { return sync_.get(); }

private:
    struct Event {
        uint64_t sequence = 0;
        bool finished = false;
        PortRunRecord record;
    };
    enum class StoreState { kClosed, kOpen, kRefused };

    void Enqueue(const PortRunRecord& record, bool finished);
    void WriterLoop();
    // Writer thread, without the lock.
    bool TryOpen(std::string& report);
    Status FillIn();
    void Fault(const Status& status, std::string& report);
    void Report(const std::string& message) const;
    bool Settled() const; // under mutex_

    ResultsOutputOptions options_;
    std::filesystem::path databaseFile_;
    ResultsStore store_; // writer thread only
    bool sessionStarted_ = false;
    std::chrono::milliseconds retryDelay_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;    // the writer's
    std::condition_variable settled_; // waiters'
    std::deque<Event> queue_;
    uint64_t nextSequence_ = 1;
    std::unordered_set<std::string> missing_;
    StoreState state_ = StoreState::kClosed;
    bool failing_ = false;
    bool stop_ = false;
    bool retryNow_ = false;
    bool fillWanted_ = false;
    bool endSessionWanted_ = false;
    int attemptsAfterFlush_ = 0;
    std::chrono::steady_clock::time_point retryAt_{};
    std::chrono::steady_clock::time_point nextFillAt_{};
    Stats stats_;

    std::unique_ptr<LineSync> sync_;
    std::thread writer_;
};

} // namespace varnet
