// What every station does the same way: the library call's buffers, the
// verdict sequence on the tile, the context the report readers need.
#pragma once

#include "engine/main_page.h"
#include "mplib/mp_library.h"
#include "reports/report_context.h"
#include "reports/report_read.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace varnet {

// The reports stations judge drives by.
enum class JudgedReport { kBurnInLog, kErase, kBadBlockTable };

// The report a library call left at report (deleted before the call), as the
// stations look for it: the first file of its folder, in name order, whose
// name contains the report's, without regard to case; nullopt when none.
std::optional<std::filesystem::path> FindRunReport(const std::filesystem::path& report);

// Why a report leaves nothing to judge the drive by ("No RDT report!",
// "RDT report unreadable!"); empty when it held the least of its kind.
std::string ReportProblem(JudgedReport report, ReportRead read);

// One run's view of the page: the configuration snapshot taken when the run
// started, so a reload on the interface thread never changes it mid-run.
struct StationRun {
    MainPage& page;
    int port;
    std::shared_ptr<const ST_STATION_CONFIG> config;
    std::filesystem::path configPath;

    StationRun(MainPage& page, int port);

    int32_t Drive() const;
    bool HasDrive() const { return Drive() != 0; }
    ST_PORT_RESULT& Result() const { return page.portResult[static_cast<size_t>(port)]; }
    BadBlockList& BadBlocks() const { return page.badBlockList[static_cast<size_t>(port)]; }
    ReportContext Context() const;
    PortReport Report() const;

    // The path of this run's report `name` in folder, claimed among the
    // batch's ports (ReportClaims): folder / name, or the port's own folder
    // under folder, created, when another port of the batch has that path.
    std::filesystem::path ClaimReport(const std::filesystem::path& folder, std::string_view name) const;

    // The eight-argument call's shape; the strings live in the run.
    MpLibrary::Call LibraryCall(const std::filesystem::path& folder, std::string_view name,
                                const std::filesystem::path& settingsFile);

    // Progress 100 and the prescribed pause, so the running animation (which
    // leaves ports at 100 alone) cannot overwrite the verdict that follows.
    void CompleteProgress() const;
    void ShowProgress() const { page.tiles.ShowTileProgress(port); }
    void SetStatus(std::string_view text, uint8_t kind, int fontSize, bool centred) const {
        page.tiles.SetTileStatus(port, text, kind, fontSize, centred);
    }
    void SetAction(uint8_t code) const { page.portAction[static_cast<size_t>(port)].store(code); }
    // The library's two texts as they can be shown (invalid UTF-8 replaced).
    std::string ErrorCode() const;
    std::string ErrorMessage() const;

private:
    std::string folder_;
    std::string name_;
    std::string settingsFile_;
};

} // namespace varnet
