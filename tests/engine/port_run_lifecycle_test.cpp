// A run a result page starts on one port (begun and ended on the interface
// thread, its step wherever the page runs it) goes the way of a worker's run:
// the same bookkeeping, the same records.
#include "engine/run_record_outputs.h"
#include "station_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace varnet::test {
namespace {

std::atomic<uint32_t> locksDuringStep{0};

PortOutcome PassingScan(PortContext& context) {
    locksDuringStep = PageLockBits().load();
    context.tile.SetProgress(100);
    context.tile.SetStatus("Pass!", kTilePass, 0, true);
    context.action.store(PORT_DONE);
    PortOutcome outcome;
    outcome.serial = "SN-0042   ";
    return outcome;
}

PortOutcome ThrowingScan(PortContext&) {
    locksDuringStep = PageLockBits().load();
    throw std::runtime_error("the bridge went away");
}

class CollectingOutput final : public RunRecordOutput {
public:
    struct Event {
        bool finished;
        PortRunRecord record;
    };
    void RunStarted(const PortRunRecord& record) override { Add({false, record}); }
    void RunFinished(const PortRunRecord& record) override { Add({true, record}); }
    std::vector<Event> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    void Add(Event event) {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::mutex mutex_;
    std::vector<Event> events_;
};

struct Way {
    const char* name;
    void (*run)(MainPage& page, int port);
};

const Way kWays[] = {
    {"a worker's run",
     [](MainPage& page, int port) {
         page.portAction[static_cast<size_t>(port)].store(PORT_SCAN_BAD);
         ASSERT_TRUE(page.StartPortJob(port, std::chrono::milliseconds(0)));
         page.WaitForPortRuns();
     }},
    {"a result page's own run",
     [](MainPage& page, int port) {
         ASSERT_TRUE(page.BeginPageRun(port, PORT_SCAN_BAD));
         EXPECT_FALSE(page.BeginPageRun(port, PORT_SCAN_BAD)) << "the port is taken";
         EXPECT_EQ(page.runningPorts.load(), 1);
         try {
             page.RunStepWithRecord(port, PORT_SCAN_BAD, page.steps().scanBad);
         } catch (const std::runtime_error&) {
             // The page goes on; the run ends as failed.
         }
         page.EndPageRun(port, PORT_SCAN_BAD);
     }},
};

TEST(PortRunLifecycle, AWorkersRunAndAPagesOwnRunEndInTheSameBookkeepingAndRecords) {
    struct StepCase {
        const char* name;
        PortStep step;
        const char* text;
        const char* verdict;
        const char* serial;
    };
    const StepCase steps[] = {
        {"passing step", &PassingScan, "Pass!", kVerdictPass, "SN-0042"},
        {"step that throws", &ThrowingScan, "Fail!", kVerdictFail, ""},
    };
    constexpr uint32_t kRunLocks = kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage;
    for (const Way& way : kWays) {
        for (const StepCase& c : steps) {
            SCOPED_TRACE(std::string(way.name) + ", " + c.name);
            PageLockBits().store(0);
            locksDuringStep = 0;
            PortSteps portSteps;
            portSteps.scanBad = c.step;
            StationFixture f(kStationScanBad, {}, 0, portSteps);
            RunRecordOutputs outputs;
            auto output = std::make_shared<CollectingOutput>();
            outputs.Add(output);
            f.RebuildPage([&](MainPageSetup& setup) { setup.outputs = &outputs; });
            f.AttachDrive(2);
            f.page->identifiedCount = 1;

            way.run(*f.page, 2);
            ASSERT_TRUE(outputs.Close());

            EXPECT_EQ(locksDuringStep.load() & kRunLocks, kRunLocks);
            EXPECT_EQ(f.page->runningPorts.load(), 0);
            EXPECT_EQ(PageLockBits().load(), 0u);
            EXPECT_FALSE(f.view.TimerRunning(kClockTimer));
            EXPECT_FALSE(f.view.TimerRunning(kAnimationTimer));
            EXPECT_TRUE(f.view.Enabled(PageControl::Refresh));
            EXPECT_EQ(f.page->portAction[2].load(), PORT_DONE);
            EXPECT_EQ(f.page->portResult[2].portRunning, 0);
            EXPECT_EQ(f.Tile(2).statusText, c.text);

            const std::vector<CollectingOutput::Event> events = output->Events();
            ASSERT_EQ(events.size(), 2u);
            EXPECT_FALSE(events[0].finished);
            EXPECT_TRUE(events[1].finished);
            const PortRunRecord& finished = events[1].record;
            EXPECT_EQ(events[0].record.runId, finished.runId);
            EXPECT_EQ(finished.station, "08_Scan Bad");
            EXPECT_EQ(finished.port, 3);
            EXPECT_EQ(finished.drive, 3);
            EXPECT_EQ(finished.verdict, c.verdict);
            EXPECT_EQ(finished.serial, c.serial);
            EXPECT_EQ(finished.text, c.text);
        }
    }
}

TEST(PortRunLifecycle, APageTakesOnlyAPortWithADriveThatTakesRequests) {
    PageLockBits().store(0);
    StationFixture f(kStationScanBad);
    f.AttachDrive(1);
    f.page->portAction[1].store(PORT_MP); // busy
    EXPECT_FALSE(f.page->BeginPageRun(1, PORT_SCAN_BAD));
    EXPECT_FALSE(f.page->BeginPageRun(4, PORT_SCAN_BAD)); // no drive
    EXPECT_FALSE(f.page->BeginPageRun(24, PORT_SCAN_BAD));
    EXPECT_EQ(f.page->portAction[1].load(), PORT_MP);
    EXPECT_EQ(f.page->runningPorts.load(), 0);
    EXPECT_EQ(PageLockBits().load(), 0u);
}

} // namespace
} // namespace varnet::test
