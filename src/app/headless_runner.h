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
// whether or not a drive was found), 3 when no drive was found.
#pragma once

#include "app/command_line.h"

#include <cstdio>
#include <filesystem>

namespace varnet {

int RunHeadless(const CommandLine& line, const std::filesystem::path& appDir, std::FILE* out, std::FILE* err);

} // namespace varnet
