// 07_UpdateFW: downloads the firmware file the station file names into the
// drive. The station writes no report; its verdict is the library's answer.
#include "platform/text.h"
#include "platform/text_format.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace varnet {
namespace {

// The "Update FW" path as station files hold it: often written on Windows
// machines with '\\', and relative to the program folder rather than to
// wherever the program was started from.
fs::path FirmwarePath(const fs::path& appDir, std::string_view text) {
    std::string generic(text);
    std::replace(generic.begin(), generic.end(), '\\', '/');
    fs::path path(generic);
    if (path.is_relative())
        path = appDir / path;
    return path.lexically_normal();
}

// A folder or a dangling link is no firmware file either.
bool IsFirmwareFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

PortOutcome UpdateFwStation(PortContext& context) {
    StationRun run(context);
    const std::string_view setting = FieldText(run.config->UpdateFW);
    const fs::path firmware = FirmwarePath(run.env.appDir, setting);
    const char* prefix = run.env.resultPrefix.c_str();

    bool passed = false;
    std::string verdict;
    if (setting.empty() || !IsFirmwareFile(firmware)) {
        verdict = Format("%sNo FW!", prefix);
    } else {
        run.SetProgress(50);
        run.ShowProgress();
        passed = run.Library().DownLoadMicroCode(run.Drive(), firmware.c_str());
        verdict = passed ? Format("%sPass!", prefix) : Format("%sFail!", prefix);
    }
    run.CompleteProgress();
    run.ShowProgress();
    // These verdicts are short: the tile's own font size suits them.
    run.SetStatus(verdict, passed ? kTilePass : kTileFail, 0, false);
    run.SetAction(PORT_DONE);
    return {};
}

} // namespace varnet
