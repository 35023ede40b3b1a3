// 02_RDT: the pretest initialisation that erases a drive, records its early
// bad blocks, gives it its serial number and leaves it running the burn-in
// on its own; and the verdict with the capacity, the bad-block counts of the
// erase report and the serial number the drive reports afterwards.
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/erase_report.h"
#include "reports/port_result.h"
#include "serial/drive_serial.h"
#include "stations/identify_data.h"
#include "stations/log_tree.h"
#include "stations/production_run.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

namespace varnet {

PortOutcome RunRdtStart(PortContext& context) {
    StationRun run(context);
    const int port = run.port;
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path folder =
        *StationLogFolder(run.env.appDir, run.env.logDateFolder, kStationRdt);
    run.EnsureRunFolder(folder);

    // The RDT start goes on with whatever number it got: an Auto++ range that
    // is used up is MP's to report, and the page is not told of a new SN.
    const std::string identifySerial(run.IdentifySerial());
    const DriveSerialResult serial =
        ResolveDriveSerialNumber(*run.config, port, identifySerial, run.configPath, context.serial,
                                 SnStation::RdtStart, {}, run.env.appDir);
    std::string sn = serial.serialNumber;
    // The drive is initialised under this number only once its record names
    // it.
    if (const Status recorded = RecordSerialTaken(run, sn); !recorded.ok()) {
        ShowRecordNotSaved(run, recorded);
        run.SetAction(PORT_DONE);
        return run.outcome;
    }
    // The drive is initialised under this number, passed or not.
    run.outcome.serial = sn;

    const std::filesystem::path report = run.ClaimReport(folder, SerialReportName(sn));
    result.reportPath = report.string();
    std::error_code ignored;
    std::filesystem::remove(report, ignored);
    const RunReportSearch search(report);
    // Texts a failure shows must be this run's, not a previous run's that the
    // library left in place.
    SetFieldText(result.errorCode, "");
    SetFieldText(result.errorMessage, "");
    // Nor may an earlier run's counts pass for this drive's when the call
    // leaves no report.
    ResetPortResult(result);
    run.BadBlocks().clear();

    const bool ok =
        run.Library().DoPretestInit(run.LibraryCall(report.parent_path(), SerialRunName(sn), run.configPath));
    run.SetProgress(90);
    // The library's answer alone decides this station; the report only
    // gives the counts the verdict shows, and without it none are shown.
    std::optional<ProductionCounts> counts;
    if (const std::optional<std::filesystem::path> found = search.Find()) {
        result.reportPath = found->string();
        // One without a count line has no figures to show either.
        if (ReadEraseReport(*found, run.Context(), run.Report()) == ReportRead::kComplete)
            counts = ProductionCounts{result.earlyBadTotal, result.laterBadTotal, result.allBadTotal};
    }

    run.CompleteProgress();
    run.ShowProgress();

    if (ok) {
        uint32_t size = run.ReadCapacityMB();
        std::array<uint8_t, 512> identify{};
        if (run.Library().GetIdentifyInfoBuf(run.Drive(), identify.data())) {
            sn = IdentifySerialText(identify);
            if (const uint32_t fromIdentify = IdentifyCapacityMb(identify); fromIdentify != 0)
                size = fromIdentify;
        }
        ShowProductionPass(run, CapacityText(size), counts, sn);
    } else {
        // A drive pulled during the initialisation ends grey: there is no
        // drive left to blame.
        const uint8_t kind = run.HasDrive() ? kTileFail : kTileIdle;
        run.ShowStatus(Format("%sFail!\r\n%s\r\n%s\r\n", run.env.resultPrefix.c_str(),
                              run.ErrorCode().c_str(), run.ErrorMessage().c_str()),
                       kind, false);
    }
    run.SetAction(PORT_DONE);
    return run.outcome;
}

} // namespace varnet
