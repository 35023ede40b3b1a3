// RunJournal: the run-record output that appends every finished run to
// Log/<day folder>/runs.jsonl, one JSON line per record (run_record_json.h).
//
// Each line goes out whole in one write on an O_APPEND descriptor and is
// synced (fdatasync; a new file's folder is synced too) before RunFinished
// returns, so the line is on the disk once the call is over and a crash
// leaves no half line behind: a write that could not be completed is cut off
// again, and a file that ends in a torn line from an earlier crash gets the
// line ended before anything is appended. Run starts are not journaled.
//
// It is the station's durable output: a run writes through it on its own
// thread the serial number it took (a line with "state":"RUNNING", before the
// number goes to the drive) and its finished record (before the tile shows
// the verdict), and learns whether the line is on the disk; a run whose line
// could not be written ends as failed ("record not saved").
//
// The day folder is asked for every record, so a run past midnight goes into
// the folder the front end names then. Failures (no folder, a full disk) are
// returned, reported once through the problem report and counted. Calls may
// come from any thread; they are serialised.
#pragma once

#include "engine/run_record_output.h"
#include "platform/status.h"
#include "results/results_problem.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace varnet {

inline constexpr const char* kRunJournalName = "runs.jsonl";

class RunJournal final : public RunRecordOutput, public DurableRunOutput {
public:
    RunJournal(std::filesystem::path programFolder, std::function<std::string()> dayFolder,
               ProblemReport onProblem = {});
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    void RunStarted(const PortRunRecord&) override {}
    void RunFinished(const PortRunRecord& record) override { (void)WriteLine(record); }

    Status WriteSerialTaken(const PortRunRecord& record) override { return WriteLine(record); }
    Status WriteFinished(const PortRunRecord& record) override { return WriteLine(record); }
    // The day folder can be made and a block written and synced in it (a
    // full disk says no).
    Status CheckWritable() override;

    // Lines that could not be written so far.
    int64_t Failures() const { return failures_.load(); }
    // The journal file a record finished now would go to.
    std::filesystem::path CurrentFile() const;

private:
    Status WriteLine(const PortRunRecord& record);
    Status Append(const std::filesystem::path& file, const std::string& line);
    Status OpenFile(const std::filesystem::path& file);
    void CloseFile();

    std::filesystem::path programFolder_;
    std::function<std::string()> dayFolder_;
    ProblemReport onProblem_;

    std::mutex mutex_;
    std::filesystem::path openPath_; // under mutex_
    int fd_ = -1;                    // under mutex_
    bool failing_ = false;           // under mutex_
    std::atomic<int64_t> failures_{0};
};

} // namespace varnet
