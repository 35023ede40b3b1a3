// The outputs of port-run records: each gets every event in order on a
// thread of its own, a failing output disturbs neither the runs nor the
// other outputs, and closing drains what was queued within a bounded wait.
#include "engine/run_record_outputs.h"
#include "platform/diagnostic_log.h"
#include "platform/file_io.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace varnet {
namespace {

class RecordingOutput : public RunRecordOutput {
public:
    void RunStarted(const PortRunRecord& r) override { Add("start " + r.runId); }
    void RunFinished(const PortRunRecord& r) override { Add("end " + r.runId); }
    void Flush() override { Add("flush"); }
    std::vector<std::string> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::thread::id thread;

private:
    void Add(std::string event) {
        std::lock_guard lock(mutex_);
        thread = std::this_thread::get_id();
        events_.push_back(std::move(event));
    }
    std::mutex mutex_;
    std::vector<std::string> events_;
};

class ThrowingOutput : public RunRecordOutput {
public:
    void RunStarted(const PortRunRecord&) override { throw std::runtime_error("database is locked"); }
    void RunFinished(const PortRunRecord&) override { throw 7; }
};

// Holds every call until released: a stuck disk, a server that never answers.
class StuckOutput : public RunRecordOutput {
public:
    void RunStarted(const PortRunRecord&) override {
        std::unique_lock lock(mutex);
        released.wait(lock, [this] { return open; });
    }
    void RunFinished(const PortRunRecord&) override {}
    void Release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        released.notify_all();
    }
    std::mutex mutex;
    std::condition_variable released;
    bool open = false;
};

PortRunRecord Record(int i) {
    PortRunRecord r;
    r.runId = "run-" + std::to_string(i);
    r.port = i % 24 + 1;
    return r;
}

TEST(RunRecordOutputs, EveryOutputGetsEveryEventInOrderOffThePostingThreadAndAFailingOneDisturbsNothing) {
    test::TempDir dir;
    ASSERT_TRUE(OpenDiagnosticLog(dir.path() / "varnettool.log"));
    auto first = std::make_shared<RecordingOutput>();
    auto second = std::make_shared<RecordingOutput>();
    RunRecordOutputs outputs;
    outputs.Add(first);
    outputs.Add(std::make_shared<ThrowingOutput>());
    outputs.Add(second);
    // Four ports' workers posting at once.
    std::vector<std::thread> ports;
    for (int t = 0; t < 4; ++t)
        ports.emplace_back([&outputs, t] {
            for (int i = t * 100; i < t * 100 + 100; ++i) {
                outputs.PostStarted(Record(i));
                outputs.PostFinished(Record(i));
            }
        });
    for (std::thread& port : ports)
        port.join();
    EXPECT_TRUE(outputs.Close());
    CloseDiagnosticLog();

    for (const auto& output : {first, second}) {
        const std::vector<std::string> events = output->Events();
        ASSERT_EQ(events.size(), 801u);
        EXPECT_EQ(events.back(), "flush");
        EXPECT_NE(output->thread, std::this_thread::get_id());
        // Each run's start comes before its end.
        for (int i = 0; i < 400; ++i) {
            const auto start = std::find(events.begin(), events.end(), "start run-" + std::to_string(i));
            const auto end = std::find(events.begin(), events.end(), "end run-" + std::to_string(i));
            ASSERT_TRUE(start != events.end() && end != events.end()) << i;
            EXPECT_LT(start, end) << i;
        }
    }
    const std::string log = ReadWholeFile(dir.path() / "varnettool.log").value_or("");
    EXPECT_NE(log.find("exception: database is locked"), std::string::npos) << log.substr(0, 300);
    EXPECT_NE(log.find("unknown exception"), std::string::npos);
}

TEST(RunRecordOutputs, ClosingGivesUpOnAStuckOutputAfterItsWaitAndDrainsTheOthers) {
    auto stuck = std::make_shared<StuckOutput>();
    auto healthy = std::make_shared<RecordingOutput>();
    {
        RunRecordOutputs outputs;
        outputs.Add(stuck);
        outputs.Add(healthy);
        for (int i = 0; i < 50; ++i)
            outputs.PostStarted(Record(i));
        EXPECT_FALSE(outputs.Close(std::chrono::milliseconds(200)));
        EXPECT_EQ(healthy->Events().size(), 51u);
        // Closed: later events go nowhere.
        outputs.PostFinished(Record(99));
    }
    EXPECT_EQ(healthy->Events().size(), 51u);
    // The stuck output's thread still owns what it needs once it wakes.
    stuck->Release();
}

} // namespace
} // namespace varnet
