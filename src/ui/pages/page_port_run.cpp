#include "ui/pages/page_port_run.h"

#include "engine/main_page.h"
#include "engine/port_action.h"

#include <utility>

namespace varnet::ui {
namespace {

constexpr uint32_t kRunLocks = kLockConfigurationPage | kLockRdtInfoPage | kLockBadBlockPage;
constexpr uint32_t kAllLocks = kLockMainPage | kRunLocks;

} // namespace

bool BeginPagePortRun(MainPage& page, int port, uint8_t code) {
    if (port < 0 || port >= kPortCount)
        return false;
    const auto p = static_cast<size_t>(port);
    if (page.devices.portDriveNumber[p] == 0 || !AcceptsRequest(page.portAction[p].load()))
        return false;
    page.HoldPortRecord(port);
    page.portAction[p].store(code);
    // Refresh would hand the port to identify while the station still runs.
    page.SetControlsForState(code);
    if (page.runningPorts.fetch_add(1) == 0) {
        page.view().SetRunClockText("00:00:00");
        page.elapsedSeconds = 0;
        page.runningTicks = 0;
        for (const auto& [id, ms] :
             {std::pair{kClockTimer, 1000}, {kProgressTimer, 300}, {kAnimationTimer, 500}}) {
            page.view().StopTimer(id);
            page.view().StartTimer(id, ms);
        }
        PageLockBits().fetch_or(kRunLocks);
    }
    page.portResult[p].portRunning = 1;
    page.tiles.SetTileStatus(port, "Running..", kTileRunning, page.tileFontSize, true);
    return true;
}

void EndPagePortRun(MainPage& page, int port, uint8_t code) {
    const auto p = static_cast<size_t>(port);
    if (page.portAction[p].load() == code) {
        page.portAction[p].store(PORT_DONE);
        page.tiles.SetTileStatus(port, "Fail!", kTileFail, page.tileFontSize, true);
    }
    // A request given in the moment between the station's end and this
    // call belongs to a new run, whose flag is its own.
    if (AcceptsRequest(page.portAction[p].load()))
        page.portResult[p].portRunning = 0;
    page.ReleasePortRecord(port);
    if (--page.runningPorts != 0)
        return;
    PageLockBits().fetch_and(~kAllLocks);
    page.SetControlsForState(page.portAction[p].load());
    if (page.identifiedCount.load() == 0)
        page.SetControlsForState(PORT_IDENTIFY);
    page.view().StopTimer(kProgressTimer);
    page.view().StopTimer(kClockTimer);
    page.view().StopTimer(kAnimationTimer);
}

bool CopyFinishedPort(MainPage& page, int port, PortSnapshot& snapshot) {
    if (port < 0 || port >= kPortCount)
        return false;
    const auto p = static_cast<size_t>(port);
    if (page.portAction[p].load() != PORT_DONE || page.portResult[p].portRunning != 0)
        return false;
    snapshot.record = page.portResult[p];
    snapshot.list = std::make_shared<const BadBlockList>(page.badBlockList[p]);
    return true;
}

} // namespace varnet::ui
