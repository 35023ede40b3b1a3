// 01_EraseAll: one library call that erases the drive, and its verdict.
#include "platform/diagnostic_log.h"
#include "platform/text_format.h"
#include "stations/log_tree.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <system_error>

namespace varnet {

PortOutcome EraseAllStation(PortContext& context) {
    StationRun run(context);
    const int port = run.port;
    const std::filesystem::path folder =
        *StationLogFolder(run.env.appDir, run.env.logDateFolder, kStationEraseAll);
    run.EnsureRunFolder(folder);
    const std::string runName = EraseAllRunName(RunTimeStamp(LocalStampNow(), port), port + 1);
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path report = run.ClaimReport(folder, LibraryReportName(runName));
    result.reportPath = report.string();
    std::error_code ignored;
    std::filesystem::remove(report, ignored);

    const bool passed =
        run.Library().DoEraseAll(run.LibraryCall(report.parent_path(), runName, run.configPath));
    run.CompleteProgress();
    if (passed) {
        run.ShowStatus("Pass!", kTilePass, true);
    } else {
        // A drive pulled during the erase ends grey: there is no drive left
        // to blame.
        const uint8_t kind = run.HasDrive() ? kTileFail : kTileIdle;
        run.ShowStatus(Format("%sFail!\r\n%s\r\n%s\r\n", run.env.resultPrefix.c_str(),
                              run.ErrorCode().c_str(), run.ErrorMessage().c_str()),
                       kind, false);
    }
    run.ShowProgress();
    run.SetAction(PORT_DONE);
    return {};
}

} // namespace varnet
