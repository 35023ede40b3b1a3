// The store's output as the engine drives it: records queue and are written
// on the writer thread; a database that is locked, damaged or too new is
// reported once and never stops the station; runs that could not wait in
// memory come back from the journal.
#include "results/results_output.h"

#include "platform/diagnostic_log.h"
#include "results/run_journal.h"
#include "results/run_query.h"
#include "results/sqlite_db.h"
#include "results/station_outputs.h"
#include "run_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace varnet {
namespace {

using namespace std::chrono_literals;
using test::FinishedRun;
using test::TempDir;

constexpr auto kPatience = 20s;

// What the outputs reported, waited for as it arrives.
class Reports {
public:
    ProblemReport Sink() {
        return [this](const std::string& message) {
            std::lock_guard lock(mutex_);
            messages_.push_back(message);
            arrived_.notify_all();
        };
    }
    bool WaitFor(size_t count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, kPatience, [&] { return messages_.size() >= count; });
    }
    std::vector<std::string> All() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> messages_;
};

class ResultsOutputTest : public ::testing::Test {
protected:
    ResultsOutputOptions Options(size_t capacity = 10000) {
        ResultsOutputOptions options;
        options.programFolder = dir.path();
        options.session = {"station-1", "0.1.0", "04_MP.ini"};
        options.queueCapacity = capacity;
        options.retryFirst = 5ms;
        options.retryMost = 40ms;
        options.busyTimeoutMs = 20;
        options.onProblem = reports.Sink();
        return options;
    }
    // run_id -> state, as varnet-results reads them.
    std::map<std::string, std::string> States() {
        std::vector<StoredRun> runs;
        const Status status = LocalRunSource(ResultsDatabasePath(dir.path())).FetchRuns({}, runs);
        EXPECT_TRUE(status.ok()) << status.message();
        std::map<std::string, std::string> states;
        for (const StoredRun& run : runs)
            states[run.record.runId] = run.state;
        return states;
    }
    // Both outputs, as the engine hands a run to each.
    void Finish(RunRecordOutput& store, const PortRunRecord& record) {
        store.RunStarted(record);
        store.RunFinished(record);
        journal.RunFinished(record);
    }
    // Holds the database's write lock as another program would.
    void Lock() {
        ASSERT_TRUE(locker.Open(ResultsDatabasePath(dir.path()), false, 0).ok());
        ASSERT_TRUE(locker.Exec("BEGIN IMMEDIATE").ok());
    }
    void Unlock() { ASSERT_TRUE(locker.Exec("ROLLBACK").ok()); }

    TempDir dir;
    Reports reports;
    RunJournal journal{dir.path(), [] { return std::string("20261210"); }};
    SqliteDb locker;
};

TEST_F(ResultsOutputTest, EveryRunIsRunningThenDoneAndTheQueueIsDrainedAtFlush) {
    ResultsOutput output(Options());
    PortRunRecord record = FinishedRun("r1", "04_MP", "SN1", "Pass", 0);
    output.RunStarted(record);
    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    EXPECT_EQ(States().at("r1"), "RUNNING");
    output.RunFinished(record);
    for (int i = 2; i <= 30; ++i)
        Finish(output, FinishedRun("r" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Pass", i));
    output.Flush();
    const auto states = States();
    EXPECT_EQ(states.size(), 30u);
    EXPECT_EQ(std::count_if(states.begin(), states.end(), [](const auto& s) { return s.second == "DONE"; }),
              30);
    EXPECT_TRUE(reports.All().empty());
}

// The program ends without a run that never finished: its row says so at
// once, not only when the next start finds it.
TEST_F(ResultsOutputTest, ARunThisSessionLeavesUnfinishedIsInterruptedAtFlush) {
    ResultsOutput output(Options());
    output.RunStarted(FinishedRun("cut", "04_MP", "SN1", "Pass", 0));
    Finish(output, FinishedRun("whole", "04_MP", "SN2", "Pass", 1));
    output.Flush();
    const auto states = States();
    EXPECT_EQ(states.at("cut"), "INTERRUPTED");
    EXPECT_EQ(states.at("whole"), "DONE");
    EXPECT_EQ(output.GetStats().interrupted, 1);
}

TEST_F(ResultsOutputTest, AtStartRunsACrashLeftRunningAreInterruptedUnlessTheJournalFinishedThem) {
    {
        ResultsStore crashed;
        Status status;
        ASSERT_EQ(crashed.Open(ResultsDatabasePath(dir.path()), 1000, status), SchemaOutcome::kReady);
        ASSERT_TRUE(crashed.BeginSession({"station-1", "0.1.0", ""}, test::At(0)).ok());
        ASSERT_TRUE(crashed.RecordStarted(FinishedRun("lost", "04_MP", "SN1", "Pass", 0)).ok());
        ASSERT_TRUE(crashed.RecordStarted(FinishedRun("journaled", "04_MP", "SN2", "Pass", 0)).ok());
        journal.RunFinished(FinishedRun("journaled", "04_MP", "SN2", "Pass", 0));
    }
    ResultsOutput output(Options());
    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    const auto states = States();
    EXPECT_EQ(states.at("lost"), "INTERRUPTED");
    EXPECT_EQ(states.at("journaled"), "DONE");
    EXPECT_EQ(output.GetStats().interrupted, 1);
    EXPECT_EQ(output.GetStats().filledIn, 1);
}

TEST_F(ResultsOutputTest, ALockedDatabaseIsReportedOnceAndTheRunsWaitUntilItIsFree) {
    ResultsOutput output(Options());
    Finish(output, FinishedRun("r0", "04_MP", "SN0", "Pass", 0));
    ASSERT_TRUE(output.WaitUntilStored(kPatience));

    Lock();
    for (int i = 1; i <= 5; ++i)
        Finish(output, FinishedRun("r" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Pass", i));
    ASSERT_TRUE(reports.WaitFor(1));
    output.Flush(); // the program ending while the database is away does not wait for it
    EXPECT_GT(output.GetStats().waiting, 0u);
    Unlock();

    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    EXPECT_EQ(States().size(), 6u);
    const auto all = reports.All();
    ASSERT_EQ(all.size(), 2u) << "once when it fails, once when it works again";
    EXPECT_NE(all[0].find("is locked"), std::string::npos) << all[0];
    EXPECT_NE(all[1].find("works again"), std::string::npos) << all[1];
}

TEST_F(ResultsOutputTest, RunsDroppedFromAFullQueueAreFilledInFromTheJournal) {
    ResultsOutput output(Options(3));
    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    Lock();
    for (int i = 1; i <= 10; ++i)
        Finish(output, FinishedRun("r" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Fail", i));
    EXPECT_EQ(output.GetStats().dropped, 17);
    EXPECT_LE(output.GetStats().waiting, 3u);
    Unlock();

    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    const auto states = States();
    ASSERT_EQ(states.size(), 10u);
    for (const auto& [runId, state] : states)
        EXPECT_EQ(state, "DONE") << runId;
    EXPECT_EQ(output.GetStats().missing, 0u);
}

TEST_F(ResultsOutputTest, ADamagedDatabaseIsReportedAndTheRunsComeBackOnceItIsReplaced) {
    std::filesystem::create_directories(dir / "Results");
    test::WriteText(ResultsDatabasePath(dir.path()), std::string(8192, 'x'));
    ResultsOutput output(Options());
    for (int i = 1; i <= 3; ++i)
        Finish(output, FinishedRun("r" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Pass", i));
    ASSERT_TRUE(reports.WaitFor(1));
    EXPECT_NE(reports.All()[0].find("is damaged"), std::string::npos) << reports.All()[0];

    std::filesystem::rename(ResultsDatabasePath(dir.path()), dir / "Results/damaged.db");
    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    EXPECT_EQ(States().size(), 3u);
}

TEST_F(ResultsOutputTest, ADatabaseThatCannotBeWrittenIsReportedAndTheRunsComeBackOnceItCan) {
    // A folder where the database file belongs: nothing can open it for
    // writing, as on a read-only share (a permission test would not hold:
    // the suite may run as root).
    std::filesystem::create_directories(ResultsDatabasePath(dir.path()));
    ResultsOutput output(Options());
    for (int i = 1; i <= 3; ++i)
        Finish(output, FinishedRun("r" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Pass", i));
    ASSERT_TRUE(reports.WaitFor(1));
    EXPECT_NE(reports.All()[0].find("cannot be written"), std::string::npos) << reports.All()[0];
    EXPECT_GT(output.GetStats().waiting, 0u);

    std::filesystem::remove(ResultsDatabasePath(dir.path()));
    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    EXPECT_EQ(States().size(), 3u);
    ASSERT_TRUE(reports.WaitFor(2));
    EXPECT_NE(reports.All()[1].find("works again"), std::string::npos) << reports.All()[1];
}

// The outputs the front ends register hand a store's problem to the
// operator's message and to the diagnostic log.
TEST_F(ResultsOutputTest, AStoresProblemReachesTheOperatorAndTheDiagnosticLog) {
    std::filesystem::create_directories(dir / "Results");
    test::WriteText(ResultsDatabasePath(dir.path()), std::string(8192, 'x'));
    const std::filesystem::path log = DiagnosticLogFile(dir.path(), "20261210");
    ASSERT_TRUE(OpenDiagnosticLog(log));
    {
        RunRecordOutputs outputs;
        RegisterStationOutputs(outputs, {dir.path(), "20261210", "04_MP.ini", "0.1.0", reports.Sink()});
        PortRunRecord record = FinishedRun("r1", "04_MP", "SN1", "Pass", 1);
        outputs.PostStarted(record);
        // The journal takes the record on the run's own thread, before the
        // others are handed it.
        ASSERT_TRUE(outputs.WriteFinished(record).ok());
        outputs.PostFinished(record);
        ASSERT_TRUE(reports.WaitFor(1));
        EXPECT_TRUE(outputs.Close());
    }
    CloseDiagnosticLog();
    EXPECT_NE(reports.All()[0].find("is damaged"), std::string::npos) << reports.All()[0];
    EXPECT_NE(test::ReadText(log).find(reports.All()[0]), std::string::npos) << test::ReadText(log);
    EXPECT_NE(test::ReadText(dir / "Log/20261210/runs.jsonl").find("\"run_id\":\"r1\""), std::string::npos)
        << "the journal keeps the run the store could not take";
}

TEST_F(ResultsOutputTest, ADatabaseOfANewerProgramIsRefusedOnceAndNothingWaitsForIt) {
    {
        SqliteDb db;
        std::filesystem::create_directories(dir / "Results");
        ASSERT_TRUE(db.Open(ResultsDatabasePath(dir.path()), false, 0).ok());
        ASSERT_TRUE(db.Exec("PRAGMA user_version = 99").ok());
    }
    ResultsOutput output(Options());
    ASSERT_TRUE(output.WaitUntilStored(kPatience));
    for (int i = 1; i <= 3; ++i)
        Finish(output, FinishedRun("r" + std::to_string(i), "04_MP", "SN" + std::to_string(i), "Pass", i));
    output.Flush();
    const auto stats = output.GetStats();
    EXPECT_TRUE(stats.refused);
    EXPECT_EQ(stats.waiting, 0u);
    const auto all = reports.All();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_NE(all[0].find("refused"), std::string::npos) << all[0];
    EXPECT_NE(all[0].find("newer"), std::string::npos) << all[0];
}

} // namespace
} // namespace varnet
