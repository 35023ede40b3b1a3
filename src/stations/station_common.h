// What every station does the same way: the library call's buffers, the
// verdict sequence on the tile, the context the report readers need.
#pragma once

#include "mplib/mp_library.h"
#include "platform/text.h"
#include "reports/report_context.h"
#include "reports/report_read.h"
#include "stations/port_action.h"
#include "stations/port_context.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnet {

// The reports stations judge drives by.
enum class JudgedReport { kBurnInLog, kErase, kBadBlockTable };

// Where a station finds the report its library call left. Made after the
// report's file was deleted and before the call; Find() after the call
// gives the file the call was told to write, or else the first file of its
// folder, in name order, whose name contains the report's without regard to
// case and that was not there when the search was made (the library may
// change the name's case); nullopt when there is none. A report an earlier
// run left under another spelling is never taken for this run's, so a call
// that wrote nothing cannot be judged by old figures.
class RunReportSearch {
public:
    RunReportSearch() = default; // finds nothing
    explicit RunReportSearch(std::filesystem::path report);
    std::optional<std::filesystem::path> Find() const;

private:
    std::filesystem::path report_;
    std::vector<std::filesystem::path> before_;
};

// Why a report leaves nothing to judge the drive by ("No RDT report!",
// "RDT report unreadable!"); empty when it held the least of its kind.
std::string ReportProblem(JudgedReport report, ReportRead read);

// One run's view of its port: the context's records and tile under the
// names the stations use, and the library call's buffers.
struct StationRun {
    PortContext& context;
    int port;
    const StationEnv& env;
    std::shared_ptr<const ST_STATION_CONFIG> config;
    const std::filesystem::path& configPath;
    // What the step returns; filled as the run goes.
    PortOutcome outcome;

    explicit StationRun(PortContext& context);

    int32_t Drive() const { return context.Drive(); }
    bool HasDrive() const { return Drive() != 0; }
    MpLibrary& Library() const { return context.library; }
    ST_PORT_RESULT& Result() const { return context.result; }
    BadBlockList& BadBlocks() const { return context.badBlocks; }
    // The drive's own serial number as identify read it.
    std::string_view IdentifySerial() const { return FieldText(context.identifySerial); }
    uint32_t ReadCapacityMB() const { return context.ReadCapacityMB(); }
    ReportContext Context() const;
    PortReport Report() const;

    // The path of this run's report `name` in folder, claimed among the
    // batch's ports (ReportClaims): folder / name, or the port's own folder
    // under folder, created, when another port of the batch has that path.
    std::filesystem::path ClaimReport(const std::filesystem::path& folder, std::string_view name) const;
    // The folder, created when missing; a folder that cannot be made is
    // logged, and the library's call that needs it fails on its own.
    void EnsureRunFolder(const std::filesystem::path& folder) const;

    // The eight-argument call's shape; the strings live in the run.
    MpLibrary::Call LibraryCall(const std::filesystem::path& folder, std::string_view name,
                                const std::filesystem::path& settingsFile);

    // Progress 100 and the prescribed pause, so the running animation (which
    // leaves ports at 100 alone) cannot overwrite the verdict that follows.
    void CompleteProgress() const;
    void SetProgress(int32_t percent) const { context.tile.SetProgress(percent); }
    void ShowProgress() const { context.tile.ShowProgress(); }
    void SetStatus(std::string_view text, uint8_t kind, int fontSize, bool centred) const {
        context.tile.SetStatus(text, kind, fontSize, centred);
    }
    // The status in the font size the page gives verdicts.
    void ShowStatus(std::string_view text, uint8_t kind, bool centred) const {
        SetStatus(text, kind, env.tileFontSize, centred);
    }
    void SetAction(uint8_t code) const { context.action.store(code); }
    // The library's two texts as they can be shown (invalid UTF-8 replaced).
    std::string ErrorCode() const;
    std::string ErrorMessage() const;

private:
    std::string folder_;
    std::string name_;
    std::string settingsFile_;
};

} // namespace varnet
