#include "results/station_outputs.h"

#include "platform/diagnostic_log.h"
#include "platform/secret_redaction.h"
#include "results/results_output.h"
#include "results/results_settings.h"
#include "results/run_journal.h"

namespace varnet {

void RegisterStationOutputs(RunRecordOutputs& outputs, const StationOutputsOptions& options) {
    ResultsSettings settings = LoadResultsSettings(options.programFolder);
    // Every problem text passes here on its way to the screen and the log:
    // the one place that knows the line server's string hides its password,
    // whatever piece of it a message quotes.
    ProblemReport report = [onProblem = options.onProblem,
                            secret = LineServerSetting(options.programFolder)](const std::string& message) {
        const std::string shown = RedactSecrets(message, secret);
        LogDiagnostic(kNoPort, shown);
        if (onProblem)
            onProblem(shown);
    };
    for (const std::string& notice : settings.notices)
        report(notice);
    // The journal is the one output a run waits for: its lines are what a
    // verdict and a serial number given to a drive stand on.
    outputs.SetDurable(std::make_shared<RunJournal>(
        options.programFolder, [day = options.logDateFolder] { return day; }, report));
    ResultsOutputOptions store;
    store.programFolder = options.programFolder;
    store.session.programVersion = options.programVersion;
    store.session.stationFile = options.stationFile;
    store.lineServer = std::move(settings.lineServer);
    store.onProblem = report;
    outputs.Add(std::make_shared<ResultsOutput>(std::move(store)));
}

} // namespace varnet
