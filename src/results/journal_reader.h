// Reads the run journals back: every Log/<day>/runs.jsonl under a program
// folder, from a given byte on, complete lines only.
//
// A line that does not decode (torn by a crash, edited by hand) is counted
// and skipped; a last line without its line end is left for a later read,
// since its writer may still be busy with it. Never throws; a file that
// cannot be read is a Status.
#pragma once

#include "engine/port_run_record.h"
#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnet {

struct JournalRead {
    std::vector<PortRunRecord> records;
    uint64_t endOffset = 0; // just past the last complete line read
    int64_t badLines = 0;
};

// The journal files of a program folder, oldest day first (by folder name).
std::vector<std::filesystem::path> JournalFiles(const std::filesystem::path& programFolder);

Status ReadJournal(const std::filesystem::path& file, uint64_t offset, JournalRead& read);

} // namespace varnet
