// 08_Scan Bad: has the library scan the drive's bad blocks into a table in
// the log root, reads the table back and judges the drive by its later
// (grown) bad blocks. Also started for one port from the bad-block viewer.
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/scan_bad_report.h"
#include "stations/log_tree.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace varnet {
namespace {

// Below this the drive answers from its loader, not from production firmware.
constexpr uint32_t kMinimumCapacityMb = 100;

struct ScanOutcome {
    std::string error; // empty: the scan ran and its table was read
    bool countsRead = false;
};

ScanOutcome Scan(const StationRun& run) {
    const int port = run.port;
    ST_PORT_RESULT& result = run.Result();
    if (result.inRdtFirmware != 0 || run.ReadCapacityMB() < kMinimumCapacityMb)
        return {"Not run on FW code!"};

    const fs::path root = LogRoot(run.env.appDir);
    run.EnsureRunFolder(root);
    const fs::path table = run.ClaimReport(root, ScanBadTableName(port + 1));
    result.reportPath = table.string();
    std::error_code ignored;
    fs::remove(table, ignored);
    // A copy an earlier run left in the log root is never this run's table.
    const RunReportSearch search(table);
    run.SetProgress(50);
    run.ShowProgress();

    ScanOutcome outcome;
    const std::string mpImage(FieldText(run.config->ispMpImage));
    if (run.Library().ScandBadBlock(run.Drive(), mpImage.c_str(), result.reportPath.c_str())) {
        run.SetProgress(80);
        run.ShowProgress();
    } else {
        outcome.error = "Scan Bad Block Fail!";
    }

    ReportRead read = ReportRead::kMissing;
    if (const std::optional<fs::path> found = search.Find()) {
        read = ReadScanBadReport(*found, run.Context(), run.Report());
        result.reportPath = found->string();
        result.stationName = "ScanBadBlock";
        outcome.countsRead = read == ReportRead::kComplete;
    }
    // A scan that reports success but leaves no table, or one without a CE
    // and die, has judged nothing: a pass here would send an unchecked drive
    // on.
    if (outcome.error.empty() && !outcome.countsRead)
        outcome.error = ReportProblem(JudgedReport::kBadBlockTable, read);
    return outcome;
}

} // namespace

PortOutcome ScanBadStation(PortContext& context) {
    StationRun run(context);
    ST_PORT_RESULT& result = run.Result();
    const ScanOutcome outcome = Scan(run);
    const int32_t early = outcome.countsRead ? result.earlyBadTotal : 0;
    const int32_t later = outcome.countsRead ? result.laterBadTotal : 0;
    const int32_t all = outcome.countsRead ? result.allBadTotal : 0;
    const char* prefix = run.env.resultPrefix.c_str();

    std::string verdict;
    uint8_t kind = kTileFail;
    if (later != 0) {
        // Grown bad blocks fail the drive even when the library called the
        // scan a success, or a failure that still left its table.
        verdict = Format("%sFail!\r\nEarly Bad: %d\r\nLater Bad: %d\r\nTotal Bad: %d\r\nTotal Spare: %d\r\n"
                         "Valid Spare: %d\r\n",
                         prefix, early, later, all, result.maxBadTotal, result.spareTotal);
    } else if (!outcome.error.empty()) {
        verdict = Format("%sFail!\r\n%s", prefix, outcome.error.c_str());
    } else {
        verdict = Format("%sPass!\r\nEarly Bad: %d\r\nLater Bad: %d\r\nTotal Bad: %d\r\nTotal Spare: %d\r\n"
                         "Valid Spare: %d\r\n",
                         prefix, early, later, all, result.maxBadTotal, result.spareTotal);
        kind = kTilePass;
    }
    if (kind == kTileFail)
        result.failFlag = 1;

    // The verdict follows the full bar, so a running-animation tick, which
    // leaves ports at 100 alone, cannot overwrite it.
    run.CompleteProgress();
    run.ShowProgress();
    run.ShowStatus(verdict, kind, false);
    run.SetAction(PORT_DONE);
    return {};
}

} // namespace varnet
