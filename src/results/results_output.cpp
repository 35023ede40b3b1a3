#include "results/results_output.h"

#include "platform/text_format.h"
#include "results/line_sync.h"

#include <sqlite3.h>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace varnet {
namespace {

const char* FaultWords(int code) {
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "is locked by another program";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return "is damaged";
    case SQLITE_FULL:
        return "cannot grow: the disk is full";
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        return "cannot be written";
    default:
        return "cannot be used";
    }
}

} // namespace

ResultsOutput::ResultsOutput(ResultsOutputOptions options)
    : options_(std::move(options)), databaseFile_(ResultsDatabasePath(options_.programFolder)),
      retryDelay_(options_.retryFirst) {
    options_.queueCapacity = std::max<size_t>(options_.queueCapacity, 1);
    if (options_.session.host.empty()) {
        char host[256] = {};
        if (::gethostname(host, sizeof host - 1) == 0)
            options_.session.host = host;
    }
    if (!options_.lineServer.empty()) {
        LineSyncOptions sync;
        sync.databaseFile = databaseFile_;
        sync.serverUrl = options_.lineServer;
        sync.retryFirst = options_.syncRetryFirst;
        sync.retryMost = options_.syncRetryMost;
        sync.busyTimeoutMs = options_.busyTimeoutMs;
        sync.onProblem = options_.onProblem;
        sync_ = std::make_unique<LineSync>(std::move(sync));
    }
    writer_ = std::thread([this] { WriterLoop(); });
}

ResultsOutput::~ResultsOutput() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (sync_)
        sync_->Stop();
    writer_.join();
    sync_.reset();
    store_.Close();
}

void ResultsOutput::RunStarted(const PortRunRecord& record) {
    Enqueue(record, false);
}

void ResultsOutput::RunSerialTaken(const PortRunRecord& record) {
    // Stored as the start is: the row names the number while the run goes on.
    Enqueue(record, false);
}

void ResultsOutput::RunFinished(const PortRunRecord& record) {
    Enqueue(record, true);
}

void ResultsOutput::Enqueue(const PortRunRecord& record, bool finished) {
    {
        std::lock_guard lock(mutex_);
        if (state_ == StoreState::kRefused)
            return;
        if (queue_.size() >= options_.queueCapacity) {
            // The journal holds every finished run; the run id is all that
            // needs remembering to find it there again.
            if (queue_.front().finished)
                missing_.insert(queue_.front().record.runId);
            queue_.pop_front();
            ++stats_.dropped;
        }
        queue_.push_back(Event{nextSequence_++, finished, record});
    }
    wake_.notify_one();
}

void ResultsOutput::Report(const std::string& message) const {
    if (!message.empty() && options_.onProblem)
        options_.onProblem(message);
}

void ResultsOutput::Fault(const Status& status, std::string& report) {
    std::lock_guard lock(mutex_);
    stats_.working = false;
    if (failing_)
        return;
    failing_ = true;
    report = Format("The results database %s %s (%s). The station runs on: every finished run is kept in the "
                    "run journal and stored once the database works again.",
                    databaseFile_.string().c_str(), FaultWords(store_.FaultCode()), status.message().c_str());
}

Status ResultsOutput::FillIn() {
    FillInResult result;
    Status status = store_.FillInFromJournals(options_.programFolder, result);
    if (!status.ok())
        return status;
    std::vector<std::string> ids;
    {
        std::lock_guard lock(mutex_);
        ids.assign(missing_.begin(), missing_.end());
    }
    std::vector<std::string> found;
    for (const std::string& id : ids) {
        bool done = false;
        status = store_.IsDone(id, done);
        if (!status.ok())
            return status;
        if (done)
            found.push_back(id);
    }
    {
        std::lock_guard lock(mutex_);
        for (const std::string& id : found)
            missing_.erase(id);
        stats_.filledIn += result.filledIn;
    }
    if (result.filledIn > 0 && sync_)
        sync_->Wake();
    return Status::Ok();
}

bool ResultsOutput::TryOpen(std::string& report) {
    Status status;
    const SchemaOutcome outcome = store_.Open(databaseFile_, options_.busyTimeoutMs, status);
    if (outcome == SchemaOutcome::kNewer) {
        report =
            Format("The results database is refused: %s. The station runs on without it; every finished run "
                   "is kept in the run journal.",
                   status.message().c_str());
        std::lock_guard lock(mutex_);
        state_ = StoreState::kRefused;
        stats_.refused = true;
        return false;
    }
    if (outcome == SchemaOutcome::kFailed) {
        Fault(status, report);
        return false;
    }
    if (!sessionStarted_) {
        status = store_.BeginSession(options_.session, std::chrono::system_clock::now());
        sessionStarted_ = status.ok();
    }
    const int64_t filledBefore = GetStats().filledIn;
    if (status.ok())
        status = FillIn();
    int64_t interrupted = 0;
    if (status.ok())
        status = store_.MarkInterrupted(interrupted);
    if (!status.ok()) {
        Fault(status, report);
        store_.Close();
        return false;
    }
    std::lock_guard lock(mutex_);
    stats_.interrupted += interrupted;
    stats_.working = true;
    retryDelay_ = options_.retryFirst;
    if (failing_) {
        failing_ = false;
        report =
            Format("The results database %s works again; %lld finished runs were filled in from the run "
                   "journal.",
                   databaseFile_.string().c_str(), static_cast<long long>(stats_.filledIn - filledBefore));
    }
    return true;
}

bool ResultsOutput::Settled() const {
    return state_ == StoreState::kRefused ||
           (state_ == StoreState::kOpen && queue_.empty() && missing_.empty());
}

void ResultsOutput::WriterLoop() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    for (;;) {
        std::string report;
        if (state_ == StoreState::kRefused) {
            queue_.clear();
            missing_.clear();
            settled_.notify_all();
            if (stop_)
                break;
            wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
            continue;
        }
        if (state_ == StoreState::kClosed) {
            if (stop_)
                break;
            if (!retryNow_ && Clock::now() < retryAt_) {
                wake_.wait_until(lock, retryAt_, [&] { return stop_ || retryNow_; });
                continue;
            }
            retryNow_ = false;
            lock.unlock();
            const bool opened = TryOpen(report);
            Report(report);
            lock.lock();
            ++attemptsAfterFlush_;
            if (opened) {
                state_ = StoreState::kOpen;
            } else if (state_ != StoreState::kRefused) {
                retryAt_ = Clock::now() + retryDelay_;
                retryDelay_ = std::min(retryDelay_ * 2, options_.retryMost);
            }
            settled_.notify_all();
            continue;
        }
        if (fillWanted_ || (!missing_.empty() && Clock::now() >= nextFillAt_)) {
            fillWanted_ = false;
            lock.unlock();
            Status status = FillIn();
            if (!status.ok()) {
                Fault(status, report);
                store_.Close();
            }
            Report(report);
            lock.lock();
            nextFillAt_ = Clock::now() + std::chrono::seconds(1);
            ++attemptsAfterFlush_;
            if (!status.ok()) {
                state_ = StoreState::kClosed;
                retryAt_ = Clock::now() + retryDelay_;
            }
            settled_.notify_all();
            continue;
        }
        if (endSessionWanted_ && queue_.empty()) {
            endSessionWanted_ = false;
            lock.unlock();
            int64_t marked = 0;
            const Status status = store_.MarkSessionInterrupted(marked);
            if (!status.ok()) {
                Fault(status, report);
                store_.Close();
            } else if (marked > 0 && sync_) {
                sync_->Wake();
            }
            Report(report);
            lock.lock();
            ++attemptsAfterFlush_;
            if (status.ok()) {
                stats_.interrupted += marked;
            } else {
                state_ = StoreState::kClosed;
                retryAt_ = Clock::now() + retryDelay_;
            }
            settled_.notify_all();
            continue;
        }
        if (queue_.empty()) {
            settled_.notify_all();
            if (stop_)
                break;
            auto ready = [&] { return stop_ || !queue_.empty() || fillWanted_ || endSessionWanted_; };
            if (!missing_.empty())
                wake_.wait_until(lock, nextFillAt_, ready);
            else
                wake_.wait(lock, ready);
            continue;
        }
        Event event = queue_.front();
        lock.unlock();
        const Status status =
            event.finished ? store_.RecordFinished(event.record) : store_.RecordStarted(event.record);
        if (!status.ok()) {
            Fault(status, report);
            store_.Close();
        } else if (event.finished && sync_) {
            sync_->Wake();
        }
        Report(report);
        lock.lock();
        if (status.ok()) {
            if (!queue_.empty() && queue_.front().sequence == event.sequence)
                queue_.pop_front();
            if (event.finished)
                missing_.erase(event.record.runId);
            ++stats_.stored;
        } else {
            state_ = StoreState::kClosed;
            retryAt_ = Clock::now() + retryDelay_;
            retryDelay_ = std::min(retryDelay_ * 2, options_.retryMost);
            settled_.notify_all();
        }
    }
    settled_.notify_all();
}

void ResultsOutput::Flush() {
    std::unique_lock lock(mutex_);
    // A database that is away gets one more try now rather than at its
    // next retry: the program is ending.
    if (state_ == StoreState::kClosed && !stop_) {
        const int before = attemptsAfterFlush_;
        retryNow_ = true;
        wake_.notify_all();
        settled_.wait(lock, [&] { return attemptsAfterFlush_ != before || stop_; });
    }
    settled_.wait(lock, [&] { return state_ != StoreState::kOpen || queue_.empty() || stop_; });
    // Runs dropped from memory may have reached the journal since the last look.
    if (state_ == StoreState::kOpen && !missing_.empty() && !stop_) {
        const int before = attemptsAfterFlush_;
        fillWanted_ = true;
        wake_.notify_all();
        settled_.wait(lock, [&] { return attemptsAfterFlush_ != before || stop_; });
    }
    // Every run that finished is stored by now; a row still RUNNING is a run
    // the program ends without, and says so at once rather than at the next
    // start.
    if (state_ == StoreState::kOpen && !stop_) {
        const int before = attemptsAfterFlush_;
        endSessionWanted_ = true;
        wake_.notify_all();
        settled_.wait(lock, [&] { return attemptsAfterFlush_ != before || stop_; });
    }
    lock.unlock();
    // The line's figures should not wait for this station's next start.
    if (sync_ && !sync_->Failing() && options_.lineFlushWait.count() > 0)
        (void)sync_->WaitUntilSynced(options_.lineFlushWait);
}

ResultsOutput::Stats ResultsOutput::GetStats() const {
    std::lock_guard lock(mutex_);
    Stats stats = stats_;
    stats.waiting = queue_.size();
    stats.missing = missing_.size();
    return stats;
}

bool ResultsOutput::WaitUntilStored(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return settled_.wait_for(lock, timeout, [&] { return Settled(); });
}

} // namespace varnet
