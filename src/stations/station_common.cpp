#include "stations/station_common.h"

#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "stations/log_tree.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace varnet {

RunReportSearch::RunReportSearch(std::filesystem::path report)
    : report_(std::move(report)),
      before_(FilesNamedLike(report_.parent_path(), report_.filename().string())) {}

std::optional<std::filesystem::path> RunReportSearch::Find() const {
    if (report_.empty())
        return std::nullopt;
    std::error_code ec;
    if (std::filesystem::is_regular_file(report_, ec))
        return report_;
    for (std::filesystem::path& candidate :
         FilesNamedLike(report_.parent_path(), report_.filename().string()))
        if (std::find(before_.begin(), before_.end(), candidate) == before_.end())
            return std::move(candidate);
    return std::nullopt;
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

StationRun::StationRun(PortContext& c)
    : context(c), port(c.port), env(c.env), config(c.config), configPath(c.configPath) {}

ReportContext StationRun::Context() const {
    ReportContext report;
    report.enableCeMask = config->EnableCEMask;
    report.setCeMask = config->SetCEMask;
    report.testStationSel = config->TestStationSel;
    report.uiLanguage = env.uiLanguage;
    return report;
}

PortReport StationRun::Report() const {
    return PortReport{Result(), BadBlocks(), &context.tile.Progress().readProgress};
}

std::filesystem::path StationRun::ClaimReport(const std::filesystem::path& folder,
                                              std::string_view name) const {
    std::filesystem::path report = context.reportClaims.Claim(port, folder, name);
    if (report != folder / std::string(name))
        EnsureRunFolder(report.parent_path());
    return report;
}

void StationRun::EnsureRunFolder(const std::filesystem::path& folder) const {
    LogDiscarded(EnsureFolder(folder), port + 1);
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
                           &context.tile.Progress().progress,
                           r.errorCode.data(),
                           r.errorMessage.data()};
}

void StationRun::CompleteProgress() const {
    SetProgress(100);
    if (env.pauses.verdict.count() > 0)
        std::this_thread::sleep_for(env.pauses.verdict);
}

std::string StationRun::ErrorCode() const {
    return ValidUtf8(FieldText(Result().errorCode));
}

std::string StationRun::ErrorMessage() const {
    return ValidUtf8(FieldText(Result().errorMessage));
}

} // namespace varnet
