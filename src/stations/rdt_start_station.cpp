// 02_RDT: the pretest initialisation that erases a drive, records its early
// bad blocks, gives it its serial number and leaves it running the burn-in
// on its own; and the verdict with the capacity, the bad-block counts of the
// erase report and the serial number the drive reports afterwards.
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/erase_report.h"
#include "serial/drive_serial.h"
#include "stations/identify_data.h"
#include "stations/log_tree.h"
#include "stations/production_run.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <array>
#include <cstdint>
#include <limits>
#include <system_error>

namespace varnet {
namespace {} // namespace

void RunRdtStart(MainPage& page, int port) {
    if (port < 0 || port >= kPortCount)
        return;
    StationRun run(page, port);
    ST_PORT_RESULT& result = run.Result();
    const std::filesystem::path folder = *StationLogFolder(page.appDir(), page.logDateFolder(), kStationRdt);
    LogDiscarded(EnsureFolder(folder), port + 1);

    // The RDT start goes on with whatever number it got: an Auto++ range that
    // is used up is MP's to report, and the page is not told of a new SN.
    const std::string identifySerial(FieldText(page.devices.portIdentifySerial[static_cast<size_t>(port)]));
    const DriveSerialResult serial =
        ResolveDriveSerialNumber(*run.config, port, identifySerial, run.configPath, page.serial,
                                 SnStation::RdtStart, {}, page.appDir());
    std::string sn = serial.serialNumber;
    // The burn-in names its report and run by this number: the run used it.
    page.runSerial[static_cast<size_t>(port)] = sn;

    const std::filesystem::path report = run.ClaimReport(folder, SerialReportName(sn));
    result.reportPath = report.string();
    std::error_code ignored;
    std::filesystem::remove(report, ignored);
    // Texts a failure shows must be this run's, not a previous run's that the
    // library left in place.
    SetFieldText(result.errorCode, "");
    SetFieldText(result.errorMessage, "");

    const bool ok = page.library(port).DoPretestInit(
        run.LibraryCall(report.parent_path(), SerialRunName(sn), run.configPath));
    page.tiles.SetProgress(port, 90);
    // No report leaves the counts as they were: the library's answer alone
    // decides this station, and zeros would claim a drive without bad blocks.
    if (const std::optional<std::filesystem::path> found = FindRunReport(report)) {
        result.reportPath = found->string();
        ReadEraseReport(*found, run.Context(), run.Report());
    }

    run.CompleteProgress();
    run.ShowProgress();

    if (ok) {
        uint32_t size = page.ReadCapacityMB(run.Drive());
        std::array<uint8_t, 512> identify{};
        if (page.library(port).GetIdentifyInfoBuf(run.Drive(), identify.data())) {
            sn = IdentifySerialText(identify);
            if (const uint32_t fromIdentify = IdentifyCapacityMb(identify); fromIdentify != 0)
                size = fromIdentify;
        }
        ShowProductionPass(run, CapacityText(size),
                           {result.earlyBadTotal, result.laterBadTotal, result.allBadTotal}, sn);
    } else {
        // A drive pulled during the initialisation ends grey: there is no
        // drive left to blame.
        const uint8_t kind = run.HasDrive() ? kTileFail : kTileIdle;
        run.SetStatus(Format("%sFail!\r\n%s\r\n%s\r\n", page.resultPrefix.c_str(), run.ErrorCode().c_str(),
                             run.ErrorMessage().c_str()),
                      kind, page.tileFontSize, false);
    }
    run.SetAction(PORT_DONE);
}

} // namespace varnet
