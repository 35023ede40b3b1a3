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

void RunIct(MainPage& page, int port) {
    if (port < 0 || port >= kPortCount)
        return;
    StationRun run(page, port);
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path folder = *StationLogFolder(page.appDir(), page.logDateFolder(), kStationIct);
    LogDiscarded(EnsureFolder(folder), port + 1);
    const std::string_view identifySerial =
        FieldText(page.devices.portIdentifySerial[static_cast<size_t>(port)]);
    // The test is run under the drive's own number.
    page.runSerial[static_cast<size_t>(port)] = std::string(identifySerial);
    const std::string ictName = IctRunName(identifySerial, port + 1);

    std::filesystem::path portIni;
    const Status specMade = MakePortSpecFile(page.appDir(), run.configPath, port, false, false, portIni);

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
        ok = page.library(port).ReadRdtLog(run.LibraryCall(report.parent_path(), ictName, portIni));

    // Judged only on this run's report, and only when it holds its counts: a
    // missing one would leave an earlier run's counts in the record for the
    // pass rule to accept, an empty one zeros.
    const std::string problem = ReportProblem(JudgedReport::kBurnInLog, ReadLogReport(run));
    const bool passed = ok && problem.empty() && IsRdtPass(result, run.Context());
    page.tiles.SetProgress(port, 95);
    ShowLogVerdict(run, passed, ok, problem);
}

} // namespace varnet
