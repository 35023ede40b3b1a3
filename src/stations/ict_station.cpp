// 06_ICT: collects the log of the drive's built-in test the way 03_RDTResult
// collects the burn-in log, under its own names and folder, and always judges
// it by the burn-in pass rule with the station's own specs.
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "reports/port_spec_file.h"
#include "reports/rdt_pass.h"
#include "stations/burn_in_log.h"
#include "stations/log_tree.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <system_error>

namespace varnet {

PortOutcome RunIct(PortContext& context) {
    StationRun run(context);
    const int port = run.port;
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path folder =
        *StationLogFolder(run.env.appDir, run.env.logDateFolder, kStationIct);
    run.EnsureRunFolder(folder);
    // The log is the drive's own, named by the serial number identify read.
    run.outcome.serial = std::string(run.IdentifySerial());
    const std::string ictName = IctRunName(run.outcome.serial, port + 1);

    std::filesystem::path portIni;
    const Status specMade = MakePortSpecFile(run.env.appDir, run.configPath, port, false, false, portIni);

    const std::filesystem::path report = run.ClaimReport(folder, LibraryReportName(ictName));
    result.reportPath = report.string();
    std::error_code ignored;
    std::filesystem::remove(report, ignored);
    // A failure shows this run's code only, never one a previous run left.
    SetFieldText(result.errorCode, "");
    SetFieldText(result.errorMessage, "");

    // The log is read whatever firmware the drive runs; without the port's
    // limits file the library would read it against no limits, so it is not read.
    bool ok = false;
    if (!specMade.ok())
        SetFieldText(result.errorMessage, specMade.message());
    else
        ok = run.Library().ReadRdtLog(run.LibraryCall(report.parent_path(), ictName, portIni));

    // Judged only on this run's report, and only when it holds its counts: a
    // missing one would leave an earlier run's counts in the record for the
    // pass rule to accept, an empty one zeros.
    const std::string problem = ReportProblem(JudgedReport::kBurnInLog, ReadLogReport(run));
    const bool passed = ok && problem.empty() && IsRdtPass(result, run.Context());
    run.SetProgress(95);
    ShowLogVerdict(run, passed, ok, problem);
    return run.outcome;
}

} // namespace varnet
