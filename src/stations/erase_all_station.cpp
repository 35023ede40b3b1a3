// 01_EraseAll: one library call that erases the drive, and its verdict.
#include "platform/diagnostic_log.h"
#include "platform/text_format.h"
#include "stations/log_tree.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <system_error>

namespace varnet {

void EraseAllStation(MainPage& page, int port) {
    StationRun run(page, port);
    const std::filesystem::path folder =
        *StationLogFolder(page.appDir(), page.logDateFolder(), kStationEraseAll);
    LogDiscarded(EnsureFolder(folder), port + 1);
    const std::string runName = EraseAllRunName(RunTimeStamp(LocalStampNow(), port), port + 1);
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path report = run.ClaimReport(folder, LibraryReportName(runName));
    result.reportPath = report.string();
    std::error_code ignored;
    std::filesystem::remove(report, ignored);

    const bool passed =
        page.library(port).DoEraseAll(run.LibraryCall(report.parent_path(), runName, run.configPath));
    run.CompleteProgress();
    if (passed) {
        run.SetStatus("Pass!", kTilePass, page.tileFontSize, true);
    } else {
        // A drive pulled during the erase ends grey: there is no drive left
        // to blame.
        const uint8_t kind = run.HasDrive() ? kTileFail : kTileIdle;
        run.SetStatus(Format("%sFail!\r\n%s\r\n%s\r\n", page.resultPrefix.c_str(), run.ErrorCode().c_str(),
                             run.ErrorMessage().c_str()),
                      kind, page.tileFontSize, false);
    }
    run.ShowProgress();
    run.SetAction(PORT_DONE);
}

} // namespace varnet
