// The run journal: one whole, synced line per finished run in the day's
// folder, readable back from any byte on, and a torn line from a crash that
// never swallows the next record.
#include "results/run_journal.h"

#include "results/journal_reader.h"
#include "results/run_record_json.h"
#include "run_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnet {
namespace {

using test::FinishedRun;
using test::ReadText;
using test::TempDir;
using test::WriteText;

// A journal line of a run as the journal writes it.
std::string Line(const char* runId) {
    return EncodeRunRecord(FinishedRun(runId, "04_MP", std::string("SN-") + runId, "Pass", 0));
}

TEST(RunJournal, AppendsOneLinePerFinishedRunInTheDaysFolder) {
    TempDir dir;
    std::string day = "20261210";
    RunJournal journal(dir.path(), [&] { return day; });
    journal.RunStarted(FinishedRun("r1", "04_MP", "SN1", "Pass", 0));
    journal.RunFinished(FinishedRun("r1", "04_MP", "SN1", "Pass", 0));
    journal.RunFinished(FinishedRun("r2", "04_MP", "SN2", "Fail", 1));
    day = "20261211"; // past midnight
    journal.RunFinished(FinishedRun("r3", "04_MP", "SN3", "Pass", 2));

    const std::string first = ReadText(dir / "Log/20261210/runs.jsonl");
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 2);
    EXPECT_EQ(first.rfind("{\"run_id\":\"r1\"", 0), 0u);

    const auto files = JournalFiles(dir.path());
    ASSERT_EQ(files.size(), 2u);
    JournalRead read;
    ASSERT_TRUE(ReadJournal(files[1], 0, read).ok());
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].runId, "r3");
    EXPECT_EQ(journal.Failures(), 0);
}

TEST(RunJournal, ReadsFromAGivenByteAndLeavesAnUnfinishedLastLine) {
    TempDir dir;
    const auto file = dir / "runs.jsonl";
    const std::string whole = Line("a") + "\nnot json\n" + Line("b") + "\r\n";
    WriteText(file, whole + Line("c"));
    JournalRead read;
    ASSERT_TRUE(ReadJournal(file, 0, read).ok());
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1].runId, "b");
    EXPECT_EQ(read.badLines, 1);
    EXPECT_EQ(read.endOffset, whole.size());

    JournalRead rest;
    ASSERT_TRUE(ReadJournal(file, read.endOffset, rest).ok());
    EXPECT_TRUE(rest.records.empty());
    EXPECT_EQ(rest.endOffset, read.endOffset);
}

TEST(RunJournal, ALineTornByACrashIsEndedBeforeTheNextRecord) {
    TempDir dir;
    std::filesystem::create_directories(dir / "Log/20261210");
    WriteText(dir / "Log/20261210/runs.jsonl", Line("r0") + "\n{\"run_id\":\"r1\",\"sta");
    RunJournal journal(dir.path(), [] { return std::string("20261210"); });
    journal.RunFinished(FinishedRun("r2", "04_MP", "SN2", "Pass", 0));

    JournalRead read;
    ASSERT_TRUE(ReadJournal(dir / "Log/20261210/runs.jsonl", 0, read).ok());
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[1].runId, "r2");
    EXPECT_EQ(read.badLines, 1);
}

TEST(RunJournal, AFolderThatCannotBeMadeIsReportedOnceAndItsEndOnce) {
    TempDir dir;
    WriteText(dir / "Log", "a file where the folder should be");
    std::vector<std::string> reports;
    RunJournal journal(
        dir.path(), [] { return std::string("20261210"); },
        [&](const std::string& message) { reports.push_back(message); });
    journal.RunFinished(FinishedRun("r1", "04_MP", "SN1", "Pass", 0));
    journal.RunFinished(FinishedRun("r2", "04_MP", "SN2", "Pass", 1));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("cannot be written"), std::string::npos) << reports[0];
    EXPECT_EQ(journal.Failures(), 2);

    std::filesystem::remove(dir / "Log");
    journal.RunFinished(FinishedRun("r3", "04_MP", "SN3", "Pass", 2));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[1].find("written again"), std::string::npos) << reports[1];
    EXPECT_NE(ReadText(dir / "Log/20261210/runs.jsonl").find("\"r3\""), std::string::npos);
}

} // namespace
} // namespace varnet
