// Reads the run journals back: every Log/<day>/runs.jsonl under a program
// folder, from a given byte on, complete lines only.
//
// A line that does not decode (torn by a crash, edited by hand), or that
// holds a record no run could have left (RunRecordFault), is skipped, and
// written to the diagnostic log with its file, line number and reason; the
// other lines are read as usual. A last line without its line end is left for
// a later read, since its writer may still be busy with it. Never throws; a
// file that cannot be read is a Status.
#pragma once

#include "engine/port_run_record.h"
#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnet {

struct SkippedJournalLine {
    int64_t line = 0; // 1-based, counted from the start of the file
    std::string reason;
};

struct JournalRead {
    std::vector<PortRunRecord> records;
    uint64_t endOffset = 0; // just past the last complete line read
    int64_t badLines = 0;   // lines skipped, as listed in skipped
    std::vector<SkippedJournalLine> skipped;
};

// Why a decoded record cannot be a run's (a port outside 1-24, a verdict no
// run gives, no run id, station or start time, a negative drive or
// duration); empty when it can.
std::string RunRecordFault(const PortRunRecord& record);

// The journal files of a program folder, oldest day first (by folder name).
std::vector<std::filesystem::path> JournalFiles(const std::filesystem::path& programFolder);

Status ReadJournal(const std::filesystem::path& file, uint64_t offset, JournalRead& read);

} // namespace varnet
