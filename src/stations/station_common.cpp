#include "stations/station_common.h"

#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "stations/log_tree.h"

#include <thread>

namespace varnet {

std::optional<std::filesystem::path> FindRunReport(const std::filesystem::path& report) {
    return FindReport(report.parent_path(), report.filename().string());
}

std::string ReportProblem(JudgedReport report, ReportRead read) {
    if (read == ReportRead::kComplete)
        return {};
    const bool missing = read == ReportRead::kMissing;
    switch (report) {
    case JudgedReport::kBurnInLog:
        return missing ? "No RDT report!" : "RDT report unreadable!";
    case JudgedReport::kErase:
        return missing ? "No erase report!" : "Erase report unreadable!";
    case JudgedReport::kBadBlockTable:
        return missing ? "No Bad Block Table!" : "Bad Block Table unreadable!";
    }
    return "Report unreadable!";
}

StationRun::StationRun(MainPage& p, int portIndex)
    : page(p), port(portIndex), config(p.StationConfig()), configPath(p.StationConfigPath()) {}

int32_t StationRun::Drive() const {
    return page.devices.portDriveNumber[static_cast<size_t>(port)];
}

ReportContext StationRun::Context() const {
    ReportContext context;
    context.enableCeMask = config->EnableCEMask;
    context.setCeMask = config->SetCEMask;
    context.testStationSel = config->TestStationSel;
    context.uiLanguage = page.uiLanguage();
    return context;
}

PortReport StationRun::Report() const {
    return PortReport{Result(), BadBlocks(), &page.tiles.Progress(port).readProgress};
}

std::filesystem::path StationRun::ClaimReport(const std::filesystem::path& folder,
                                              std::string_view name) const {
    std::filesystem::path report = page.reportClaims.Claim(port, folder, name);
    if (report != folder / std::string(name))
        LogDiscarded(EnsureFolder(report.parent_path()), port + 1);
    return report;
}

MpLibrary::Call StationRun::LibraryCall(const std::filesystem::path& folder, std::string_view name,
                                        const std::filesystem::path& settingsFile) {
    folder_ = folder.string();
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
    name_ = std::string(name);
    settingsFile_ = settingsFile.string();
    ST_PORT_RESULT& r = Result();
    return MpLibrary::Call{Drive(),
                           folder_.c_str(),
                           name_.c_str(),
                           settingsFile_.c_str(),
                           &page.tiles.Progress(port).progress,
                           r.errorCode.data(),
                           r.errorMessage.data()};
}

void StationRun::CompleteProgress() const {
    page.tiles.SetProgress(port, 100);
    if (page.pauses().verdict.count() > 0)
        std::this_thread::sleep_for(page.pauses().verdict);
}

std::string StationRun::ErrorCode() const {
    return ValidUtf8(FieldText(Result().errorCode));
}

std::string StationRun::ErrorMessage() const {
    return ValidUtf8(FieldText(Result().errorMessage));
}

} // namespace varnet
