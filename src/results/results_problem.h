// How the results outputs tell their owner that something is wrong (the
// database cannot be written, the journal's disk is full, the line server is
// away) and that it works again. The owner connects it to the main page and
// the diagnostic log.
//
// Called on the output's own thread, never while it holds a lock the caller
// could need; the owner hands the text on to its screen thread itself. An
// empty function reports nothing. Each trouble is reported once when it
// starts and once when it ends, never per record.
#pragma once

#include <functional>
#include <string>

namespace varnet {

using ProblemReport = std::function<void(const std::string& message)>;

} // namespace varnet
