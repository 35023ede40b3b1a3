#include "engine/run_record_outputs.h"

#include "platform/diagnostic_log.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace varnet {

// One output's queue and thread. Shared with its thread, so an output given
// up on at Close can still finish its work after the owner is gone.
class RunRecordOutputs::Lane : public std::enable_shared_from_this<Lane> {
public:
    explicit Lane(std::shared_ptr<RunRecordOutput> output) : output_(std::move(output)) {}

    void Start() {
        std::thread([self = shared_from_this()] { self->Loop(); }).detach();
    }

    enum class Kind { kStarted, kSerialTaken, kFinished };

    void Post(Kind kind, const PortRunRecord& record) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            queue_.push_back({kind, record});
        }
        wake_.notify_one();
    }

    // Takes no more events; what is queued still goes out, then Flush.
    void RequestStop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
    }

    bool WaitEnded(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        return done_.wait_until(lock, deadline, [this] { return ended_; });
    }

private:
    struct Event {
        Kind kind = Kind::kStarted;
        PortRunRecord record;
    };

    void Loop() {
        while (true) {
            Event event;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (queue_.empty())
                    break;
                event = std::move(queue_.front());
                queue_.pop_front();
            }
            try {
                switch (event.kind) {
                case Kind::kStarted:
                    output_->RunStarted(event.record);
                    break;
                case Kind::kSerialTaken:
                    output_->RunSerialTaken(event.record);
                    break;
                case Kind::kFinished:
                    output_->RunFinished(event.record);
                    break;
                }
            } catch (...) {
                LogCaught(event.record.port);
            }
        }
        try {
            output_->Flush();
        } catch (...) {
            LogCaught();
        }
        // The lane's hold on its output ends before Close hears that the lane
        // is done: an output owned by the lane alone ends here, its own
        // threads with it, so none of them reports to a caller that has
        // already gone on past Close.
        output_.reset();
        std::lock_guard lock(mutex_);
        ended_ = true;
        done_.notify_all();
    }

    std::shared_ptr<RunRecordOutput> output_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Event> queue_;
    bool stopping_ = false;
    bool ended_ = false;
};

RunRecordOutputs::RunRecordOutputs() = default;

RunRecordOutputs::~RunRecordOutputs() {
    (void)Close(); // logs an output it gave up on
}

void RunRecordOutputs::Add(std::shared_ptr<RunRecordOutput> output) {
    if (!output || closed_)
        return;
    auto lane = std::make_shared<Lane>(std::move(output));
    lane->Start();
    lanes_.push_back(std::move(lane));
}

void RunRecordOutputs::SetDurable(std::shared_ptr<DurableRunOutput> output) {
    if (!closed_)
        durable_ = std::move(output);
}

void RunRecordOutputs::PostStarted(const PortRunRecord& record) {
    for (const auto& lane : lanes_)
        lane->Post(Lane::Kind::kStarted, record);
}

Status RunRecordOutputs::PostSerialTaken(const PortRunRecord& record) {
    Status written = durable_ ? durable_->WriteSerialTaken(record) : Status::Ok();
    // A number whose record could not be saved is never given to the drive.
    if (!written.ok())
        return written;
    for (const auto& lane : lanes_)
        lane->Post(Lane::Kind::kSerialTaken, record);
    return written;
}

Status RunRecordOutputs::WriteFinished(const PortRunRecord& record) {
    return durable_ ? durable_->WriteFinished(record) : Status::Ok();
}

void RunRecordOutputs::PostFinished(const PortRunRecord& record) {
    for (const auto& lane : lanes_)
        lane->Post(Lane::Kind::kFinished, record);
}

Status RunRecordOutputs::CheckWritable() {
    return durable_ ? durable_->CheckWritable() : Status::Ok();
}

bool RunRecordOutputs::Close(std::chrono::milliseconds wait) {
    if (closed_)
        return true;
    closed_ = true;
    // One deadline for all: the outputs drain side by side.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (const auto& lane : lanes_)
        lane->RequestStop();
    bool allDone = true;
    for (const auto& lane : lanes_)
        if (!lane->WaitEnded(deadline)) {
            LogDiagnostic(kNoPort, "a run-record output did not finish in time; its last events may be lost");
            allDone = false;
        }
    lanes_.clear();
    return allDone;
}

} // namespace varnet
