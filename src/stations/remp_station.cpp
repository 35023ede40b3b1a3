// 05_ReMP: re-produces a drive that already runs its production firmware:
// bad-block scan (drives with grown bad blocks are refused), secure erase,
// optional SMART reset, model name and serial number, and a new entry in the
// drive's production history.
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/scan_bad_report.h"
#include "stations/identify_data.h"
#include "stations/log_tree.h"
#include "stations/production_history.h"
#include "stations/production_run.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <optional>
#include <system_error>

namespace varnet {
namespace {

constexpr uint32_t kMinimumFirmwareCapacityMb = 100;
constexpr int kHistoryRead = 0;
constexpr int kHistoryWrite = 1;

constexpr const char* kNotOnFirmware = "Not run on FW code!";
constexpr const char* kScanError = "Scan Bad Block error!";
constexpr const char* kLaterBadError = "Had Later bad error!";

class ReMpRun {
public:
    explicit ReMpRun(PortContext& context)
        : run_(context), library_(run_.Library()), config_(*run_.config), result_(run_.Result()),
          folder_(*StationLogFolder(run_.env.appDir, run_.env.logDateFolder, kStationReMp)) {}

    PortOutcome Run();

private:
    // Each step returns the error that ends the run, or nothing.
    std::optional<std::string> ScanBadBlocks();
    std::optional<std::string> Reproduce();
    std::optional<std::string> AppendHistory();
    void ShowFail(const std::string& error);

    StationRun run_;
    MpLibrary& library_;
    const ST_STATION_CONFIG& config_;
    ST_PORT_RESULT& result_;
    std::filesystem::path folder_;
    HistoryDate today_;
    std::string serialNumber_;
    std::string capacityText_;
    ProductionCounts counts_;
};

PortOutcome ReMpRun::Run() {
    today_ = TodayForHistory();
    run_.EnsureRunFolder(folder_);
    std::optional<std::string> error;
    const uint32_t capacityMb = run_.ReadCapacityMB();
    if (result_.inRdtFirmware != 0 || capacityMb < kMinimumFirmwareCapacityMb) {
        error = kNotOnFirmware;
    } else {
        capacityText_ = CapacityText(capacityMb);
        const ProductionSerial serial = ResolveProductionSerial(run_);
        if (!serial.allocationOk) {
            ShowSerialNumberError(run_, serial);
            run_.SetAction(PORT_DONE);
            return run_.outcome;
        }
        serialNumber_ = serial.serialNumber;
        error = ScanBadBlocks();
        if (!error)
            error = Reproduce();
        if (!error)
            error = AppendHistory();
    }

    run_.CompleteProgress();
    run_.ShowProgress();
    if (error)
        ShowFail(*error);
    else
        ShowProductionPass(run_, capacityText_, counts_, serialNumber_);
    run_.SetAction(PORT_DONE);
    return run_.outcome;
}

std::optional<std::string> ReMpRun::ScanBadBlocks() {
    const std::filesystem::path tablePath =
        run_.ClaimReport(folder_, BadBlockTableName(serialNumber_, run_.port + 1));
    result_.reportPath = tablePath.string();
    std::error_code ignored;
    std::filesystem::remove(tablePath, ignored);
    const RunReportSearch search(tablePath);
    run_.SetProgress(10);
    run_.ShowProgress();

    const std::string firmware(FieldText(config_.ispMpImage));
    const bool scanned = library_.ScandBadBlock(run_.Drive(), firmware.c_str(), result_.reportPath.c_str());
    std::optional<std::string> error;
    if (scanned) {
        run_.SetProgress(50);
        run_.ShowProgress();
    } else {
        error = kScanError;
    }

    // A table the library left behind is judged even after a failed scan,
    // so grown bad blocks are what the operator sees.
    const std::optional<std::filesystem::path> table = search.Find();
    const ReportRead read =
        table ? ReadScanBadReport(*table, run_.Context(), run_.Report()) : ReportRead::kMissing;
    if (table)
        result_.reportPath = table->string();
    // Refusing grown bad blocks is what this station is for: a scan whose
    // table is missing or holds no CE and die must not pass as a clean drive.
    if (read == ReportRead::kMissing)
        return kScanError;
    if (read == ReportRead::kIncomplete)
        return error ? *error : ReportProblem(JudgedReport::kBadBlockTable, read);
    counts_ = ProductionCounts{result_.earlyBadTotal, result_.laterBadTotal, result_.allBadTotal};
    result_.stationName = "ReMP";
    if (counts_.laterBad != 0)
        return kLaterBadError;
    return error;
}

std::optional<std::string> ReMpRun::Reproduce() {
    if (!library_.SecurityErase(run_.Drive(), result_.errorMessage.data()))
        return "Erase error!";
    run_.SetProgress(80);
    if (config_.AfterMPDoResetSMART != 0) {
        if (!library_.ResetSmart(run_.Drive()))
            return "Fail to reset smart!";
        run_.SetProgress(90);
    }
    if (config_.SN_Set != 0) {
        const std::string model(FieldText(config_.ModelName));
        if (!library_.ModifyDeviceInfo(run_.Drive(), model.c_str(), serialNumber_.c_str()))
            return "Modify SN error!";
        run_.SetProgress(90);
    }
    return std::nullopt;
}

std::optional<std::string> ReMpRun::AppendHistory() {
    ProductionHistory history{};
    if (!library_.WriteReadPH(run_.Drive(), kHistoryRead, history.data(), static_cast<int>(history.size())))
        return "ReadPH Fail!";
    (void)AppendReMpEntry(history, today_, serialNumber_); // the whole area goes back, wherever it went
    if (!library_.WriteReadPH(run_.Drive(), kHistoryWrite, history.data(), static_cast<int>(history.size())))
        return "WritePH Fail!";
    return std::nullopt;
}

void ReMpRun::ShowFail(const std::string& error) {
    result_.failFlag = 1;
    SetFieldText(result_.errorMessage, error);
    const std::string serial = ValidUtf8(serialNumber_);
    const std::string text = error == kLaterBadError
                                 ? Format("%sFail!\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\nSN: %s",
                                          run_.env.resultPrefix.c_str(), counts_.earlyBad, counts_.laterBad,
                                          counts_.totalBad, serial.c_str())
                                 : Format("%sFail!\r\n%s", run_.env.resultPrefix.c_str(), error.c_str());
    run_.ShowStatus(text, kTileFail, false);
}

} // namespace

PortOutcome ReMpStation(PortContext& context) {
    return ReMpRun(context).Run();
}

} // namespace varnet
