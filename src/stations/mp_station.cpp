// 04_MP: gives the drive its serial number and has the device library
// initialise it for production, after the burn-in table check or the check
// that the drive runs its production firmware, as the station file asks.
#include "platform/diagnostic_log.h"
#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/ini_text.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/erase_report.h"
#include "reports/port_spec_file.h"
#include "reports/rdt_pass.h"
#include "reports/rdt_report.h"
#include "stations/identify_data.h"
#include "stations/log_tree.h"
#include "stations/production_run.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <array>
#include <optional>
#include <system_error>
#include <vector>

namespace varnet {
namespace {

constexpr uint32_t kMinimumFirmwareCapacityMb = 100;
constexpr int kInfoBlockBytes = 512;
constexpr size_t kInfoBlockValueSize = 128;

// The burn-in info block the library read into the port's spec file goes to
// the station file, in the section of this drive number, where the burn-in
// initialisation expects it. The section is replaced as a whole: a byte this
// drive's block leaves empty must not keep the value of an earlier drive on
// the same drive number.
Status ReplaceInfoBlock(const std::filesystem::path& specFile, const std::filesystem::path& stationFile,
                        int32_t drive) {
    const IniDocument spec = IniDocument::Load(specFile);
    std::vector<std::pair<std::string, std::string>> bytes;
    for (int i = 0; i < kInfoBlockBytes; ++i) {
        std::string key = Format("Byte_%d", i);
        std::string value = spec.GetString("InfoBlock", key, "", kInfoBlockValueSize);
        if (!value.empty())
            bytes.emplace_back(std::move(key), std::move(value));
    }
    const std::string section = Format("%s_%d", "InfoBlock", drive & 0xFF);
    return UpdateIniFile(stationFile, [&](IniText& ini) {
        ini.RemoveSection(section);
        for (const auto& [key, value] : bytes) {
            if (!ini.Set(section, key, value))
                return false;
        }
        return true;
    });
}

class MpRun {
public:
    explicit MpRun(PortContext& context)
        : run_(context), library_(run_.Library()), config_(*run_.config), result_(run_.Result()),
          folder_(*StationLogFolder(run_.env.appDir, run_.env.logDateFolder, kStationMp)) {}

    PortOutcome Run();

private:
    bool BurnInTableCheckPath();
    bool ProductionFirmwarePath();
    bool PlainPath();
    bool Initialise(bool burnInMarks);
    bool MakeSpecFile(std::filesystem::path& specFile);
    ReportRead ReadInitReport();
    void ShowPass();
    void ShowFail();

    StationRun run_;
    MpLibrary& library_;
    const ST_STATION_CONFIG& config_;
    ST_PORT_RESULT& result_;
    std::filesystem::path folder_;
    std::string serialNumber_;
    std::filesystem::path initReport_; // where the initialisation writes its erase report
    RunReportSearch initSearch_;       // finds it, never an earlier run's
};

PortOutcome MpRun::Run() {
    run_.EnsureRunFolder(folder_);
    // Texts of an earlier run must not pass for this run's when the library
    // fails without filling the buffers.
    SetStationError(result_, "", "");
    const ProductionSerial serial = ResolveProductionSerial(run_);
    if (!serial.allocationOk) {
        ShowSerialNumberError(run_, serial);
        run_.SetAction(PORT_DONE);
        return run_.outcome;
    }
    serialNumber_ = serial.serialNumber;
    initReport_ = run_.ClaimReport(folder_, SerialReportName(serialNumber_));
    result_.reportPath = initReport_.string();
    std::error_code ignored;
    std::filesystem::remove(initReport_, ignored);
    initSearch_ = RunReportSearch(initReport_);

    bool passed = false;
    if (config_.Check_RDT_Table != 0)
        passed = BurnInTableCheckPath();
    else if (config_.PretestType == 2)
        passed = ProductionFirmwarePath();
    else
        passed = PlainPath();

    run_.SetProgress(70);
    const ReportRead initRead = ReadInitReport();
    // The pass verdict shows the erase report's counts: without them it
    // would show zeros, or what the burn-in check or an earlier run left in
    // the record, as this drive's.
    if (const std::string problem = ReportProblem(JudgedReport::kErase, initRead);
        passed && !problem.empty()) {
        SetStationError(result_, "", problem);
        passed = false;
    }

    if (passed)
        ShowPass();
    else
        ShowFail();
    run_.SetAction(PORT_DONE);
    return run_.outcome;
}

// The erase report the initialisation wrote; its path becomes the report
// path the port shows (the auxiliary one after a burn-in check).
ReportRead MpRun::ReadInitReport() {
    const std::optional<std::filesystem::path> report = initSearch_.Find();
    if (!report)
        return ReportRead::kMissing;
    (config_.Check_RDT_Table != 0 ? result_.auxReportPath : result_.reportPath) = report->string();
    return ReadEraseReport(*report, run_.Context(), run_.Report());
}

bool MpRun::MakeSpecFile(std::filesystem::path& specFile) {
    if (MakePortSpecFile(run_.env.appDir, run_.configPath, run_.port, true, true, specFile).ok())
        return true;
    // The library would read the burn-in log with a missing or unrelaxed
    // spec file and judge the drive by the wrong limits.
    SetStationError(result_, "", "Write Spec File Fail!");
    return false;
}

bool MpRun::BurnInTableCheckPath() {
    std::filesystem::path specFile;
    if (!MakeSpecFile(specFile))
        return false;
    const std::string rdtRun = RdtRunName(serialNumber_, run_.port + 1);
    const std::filesystem::path rdtReport = run_.ClaimReport(folder_, LibraryReportName(rdtRun));
    result_.reportPath = rdtReport.string();
    result_.auxReportPath = initReport_.string();
    std::error_code ignored;
    std::filesystem::remove(rdtReport, ignored);

    const bool logRead = library_.ReadRdtLog(run_.LibraryCall(rdtReport.parent_path(), rdtRun, specFile));
    const ReportRead read = ReadRdtReport(result_.reportPath, run_.Context(), run_.Report());
    if (!logRead)
        return false;
    // Without its counts the record holds zeros, or what identify or an
    // earlier run left, which the pass rule would wave through as a clean
    // drive.
    if (const std::string problem = ReportProblem(JudgedReport::kBurnInLog, read); !problem.empty()) {
        SetStationError(result_, "F_T27", problem);
        return false;
    }
    if (!IsRdtPass(result_, run_.Context())) {
        SetStationError(result_, "F_T27", "RDT Testing failed!!!");
        return false;
    }
    if (!ReplaceInfoBlock(specFile, run_.configPath, run_.Drive()).ok()) {
        SetStationError(result_, "", "Write InfoBlock Fail!");
        return false;
    }
    return Initialise(true);
}

bool MpRun::ProductionFirmwarePath() {
    if (run_.ReadCapacityMB() < kMinimumFirmwareCapacityMb) {
        SetStationError(result_, "I_B67", "Not run on FW code!");
        return false;
    }
    IdentifyData identify{};
    if (!library_.GetIdentifyInfoBuf(run_.Drive(), identify.data())) {
        SetStationError(result_, "I_B67", "Not run on FW code!\nIndentify Fail.");
        return false;
    }
    const std::string revision = IdentifyFirmwareText(identify);
    if (revision.size() >= 3 && revision[2] == 'S') {
        SetStationError(result_, "I_B67", "Not run on FW code!\nCurrent in RDT FW mode.");
        return false;
    }
    if (config_.CheckRDTExist != 0) {
        std::filesystem::path specFile;
        if (!MakeSpecFile(specFile))
            return false;
        const std::string badLogRun = RdtRunName(run_.IdentifySerial(), run_.port + 1);
        if (!library_.ReadRdtBadLog(run_.LibraryCall(folder_, badLogRun, specFile)))
            return false;
    }
    // The production firmware takes no CE mask.
    return library_.DoPretestInit(
        run_.LibraryCall(initReport_.parent_path(), SerialRunName(serialNumber_), run_.configPath));
}

bool MpRun::PlainPath() {
    return Initialise(false);
}

// The plain initialisation, or its CE-mask variant (which always carries the
// burn-in marks) when the station restricts the CEs.
bool MpRun::Initialise(bool burnInMarks) {
    const MpLibrary::Call call =
        run_.LibraryCall(initReport_.parent_path(), SerialRunName(serialNumber_), run_.configPath);
    if (config_.EnableCEMask != 0)
        return library_.DoPretestInitRdtMarkCeMask(call, true, config_.SetCEMask);
    if (burnInMarks)
        return library_.DoPretestInitRdtMark(call, true);
    return library_.DoPretestInit(call);
}

// What the drive reports after production, which may differ from what was
// chosen: the library may keep or rewrite the serial number.
void MpRun::ShowPass() {
    uint32_t capacityMb = run_.ReadCapacityMB();
    std::string serial = serialNumber_;
    IdentifyData identify{};
    if (library_.GetIdentifyInfoBuf(run_.Drive(), identify.data())) {
        serial = IdentifySerialText(identify);
        if (const uint32_t identified = IdentifyCapacityMb(identify); identified != 0)
            capacityMb = identified;
    }
    const ProductionCounts counts{result_.earlyBadTotal, result_.laterBadTotal, result_.allBadTotal};
    run_.CompleteProgress();
    run_.ShowProgress();
    ShowProductionPass(run_, CapacityText(capacityMb), counts, serial);
}

void MpRun::ShowFail() {
    result_.failFlag = 1;
    run_.CompleteProgress();
    run_.ShowProgress();
    // A drive pulled during the run ends grey: there is no drive left to
    // blame.
    const uint8_t kind = run_.HasDrive() ? kTileFail : kTileIdle;
    run_.ShowStatus(Format("%sFail!\r\n%s\r\n%s\r\n", run_.env.resultPrefix.c_str(), run_.ErrorCode().c_str(),
                           run_.ErrorMessage().c_str()),
                    kind, false);
}

} // namespace

PortOutcome MpStation(PortContext& context) {
    return MpRun(context).Run();
}

} // namespace varnet
