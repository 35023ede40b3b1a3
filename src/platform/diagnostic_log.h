// The diagnostic log: Log/<day folder>/varnettool.log, one line per event
// the program handled without telling the operator (a Status it chose not to
// act on, an exception it caught and went on from, an output that failed).
// Each line: local time with milliseconds, the port (1-24, or "-"), the place
// in the source, the text, with any password in it hidden
// (platform/secret_redaction.h).
//
// Process-wide, because such events happen in every layer; until a front end
// opens it, events go nowhere (tests see nothing unless they open one).
// Threads: any; each line goes out in one write on an O_APPEND descriptor,
// so lines of different threads never mix. Writing never fails loudly: a log
// that cannot be written is dropped, the program goes on.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <source_location>
#include <string>
#include <string_view>

namespace varnet {

inline constexpr int kNoPort = 0;

// Opens (creating the folder and file) the log to which later events go;
// replaces any log opened before. False when it cannot be opened.
bool OpenDiagnosticLog(const std::filesystem::path& file);
void CloseDiagnosticLog();

// port is 1-24, or kNoPort.
void LogDiagnostic(int port, std::string_view text,
                   std::source_location where = std::source_location::current()) noexcept;

// A failure the caller goes on from; nothing is logged for an ok status.
void LogDiscarded(const Status& status, int port = kNoPort,
                  std::source_location where = std::source_location::current()) noexcept;

// Inside a catch block: what was caught (the exception's what(), or
// "unknown exception").
void LogCaught(int port = kNoPort, std::source_location where = std::source_location::current()) noexcept;

// "varnettool.log" in the day folder of the log tree.
std::filesystem::path DiagnosticLogFile(const std::filesystem::path& appDir, std::string_view logDateFolder);

} // namespace varnet
