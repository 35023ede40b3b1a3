// The outputs every station run ends in, as both front ends register them:
// the day's run journal (Log/<day>/runs.jsonl) and the results store
// (Results/results.db, and the line server when Config/VarnetTool.ini names
// one). A problem of either (a locked database, a full disk) is written to
// the diagnostic log and handed to onProblem (the window shows it once), and
// so is, once on registering, a [Results] setting that cannot be used or a
// password other users can read. No text handed on holds the line server's
// password.
//
// At start-up, before the first run; the outputs then live on their own
// threads (engine/run_record_outputs.h).
#pragma once

#include "engine/run_record_outputs.h"
#include "results/results_problem.h"

#include <filesystem>
#include <string>

namespace varnet {

struct StationOutputsOptions {
    std::filesystem::path programFolder;
    std::string logDateFolder;
    std::string stationFile;
    std::string programVersion;
    ProblemReport onProblem;
};

void RegisterStationOutputs(RunRecordOutputs& outputs, const StationOutputsOptions& options);

} // namespace varnet
