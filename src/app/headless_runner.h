// The station without a window: starts exactly as the program starts (the
// same checks, message boxes written to standard error), runs the device
// watcher, performs Refresh, Start or tile clicks, waits for every run to
// end and prints each port's verdict, as text lines or as one JSON object.
//
// Every port that has a drive, or on which a run ended during this
// invocation (a drive pulled mid-run included), is listed with the verdict
// its last run ended in. Everything printed is valid UTF-8.
//
// Exit codes: 0 when every listed port ended in the success state of what
// was run (Info after a Refresh, Pass after a station), 1 otherwise, 2 for a
// fatal start-up condition or a station file that Start or a tile click
// refused (missing, or without a valid station selection; after Refresh, and
// whether or not a drive was found), 3 when no drive was found. A --config
// file that is not in the folder ends the runner with 2 before anything is
// run or written.
//
// SIGTERM, SIGINT and SIGHUP (end_signals.h; installed by the caller) end it
// early: no new run starts, the runs going get 5 s, then their library calls
// are ended; every record is flushed (unfinished runs are stored as
// INTERRUPTED), the verdicts of the ports whose runs were not cut short are
// printed, and the exit code is 128 + the signal's number.
#pragma once

#include "app/command_line.h"

#include <cstdio>
#include <filesystem>

namespace varnet {

int RunHeadless(const CommandLine& line, const std::filesystem::path& appDir, std::FILE* out, std::FILE* err);

} // namespace varnet
