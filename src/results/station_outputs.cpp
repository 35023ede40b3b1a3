#include "results/station_outputs.h"

#include "platform/diagnostic_log.h"
#include "results/results_output.h"
#include "results/results_settings.h"
#include "results/run_journal.h"

namespace varnet {

void RegisterStationOutputs(RunRecordOutputs& outputs, const StationOutputsOptions& options) {
    ProblemReport report = [onProblem = options.onProblem](const std::string& message) {
        LogDiagnostic(kNoPort, message);
        if (onProblem)
            onProblem(message);
    };
    // The journal is the one output a run waits for: its lines are what a
    // verdict and a serial number given to a drive stand on.
    outputs.SetDurable(std::make_shared<RunJournal>(
        options.programFolder, [day = options.logDateFolder] { return day; }, report));
    ResultsOutputOptions store;
    store.programFolder = options.programFolder;
    store.session.programVersion = options.programVersion;
    store.session.stationFile = options.stationFile;
    store.lineServer = LineServerSetting(options.programFolder);
    store.onProblem = report;
    outputs.Add(std::make_shared<ResultsOutput>(std::move(store)));
}

} // namespace varnet
