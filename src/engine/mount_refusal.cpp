// A disk someone mounted is never bound, and a drive bound at Refresh may be
// mounted by the desktop before Start: the mount tables are read again right
// before each station run, so no library call ever reaches a disk in use.
#include "engine/main_page.h"
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"

namespace varnet {
namespace {

// Counts a refused run out again, however its record step ends.
class LeaveOnExit {
public:
    LeaveOnExit(MainPage& page, int port) : page_(page), port_(port) {}
    LeaveOnExit(const LeaveOnExit&) = delete;
    LeaveOnExit& operator=(const LeaveOnExit&) = delete;
    ~LeaveOnExit() {
        try {
            page_.LeaveRun(port_, false);
        } catch (...) {
            LogCaught(port_ + 1);
        }
    }

private:
    MainPage& page_;
    int port_;
};

// What a port whose disk someone mounted says, at Refresh and when a run is
// refused.
std::string MountedText(const MainPage& page, std::string_view mountPoint) {
    return Format(page.Text("Mounted at %s: unmount it to test it", "已挂载于 %s：请先卸载再测试"),
                  ValidUtf8(mountPoint).c_str());
}

} // namespace

void MainPage::ShowMountedDisks() {
    for (int p = 0; p < kPortCount; ++p) {
        const std::string_view point = devices.MountedAt(p);
        if (point.empty())
            continue;
        tiles.SetTileStatus(p, MountedText(*this, point), kTileInfo, Settings()->tileFontSize, true);
    }
}

bool MainPage::RefuseDiskInUse(int port, uint8_t action, const PageSettings& settings) {
    if (!setup_.deviceTree)
        return false;
    const std::string path = devices.DevicePathCopy(port);
    if (path.empty())
        return false;
    std::string refusal;
    {
        const std::unique_ptr<DeviceTree> tree = setup_.deviceTree();
        if (!tree)
            return false;
        if (const std::optional<std::string> point = tree->MountedAt(path)) {
            refusal = MountedText(*this, *point);
        } else if (tree->DiskDriveNumber(path) == 0) {
            // A disk gone from the tree is the removal's business; one that
            // reads as drive 0 now holds this computer's system or swap, or
            // the mount tables cannot be read.
            refusal = tree->ScanProblem();
            if (refusal.empty())
                refusal = Text("In use by this computer (system or swap): not tested",
                               "正被本机使用（系统或交换分区）：未测试");
        }
    }
    if (refusal.empty())
        return false;
    LogDiagnostic(port + 1, Format("run refused on %s: %s", ValidUtf8(path).c_str(), refusal.c_str()));
    const auto p = static_cast<size_t>(port);
    LeaveOnExit leave(*this, port);
    RunStepWithRecord(
        port, action,
        [&](PortContext&) {
            // The code leaves the station first, so no animation tick can
            // follow the verdict.
            portAction[p].store(PORT_DONE);
            tiles.SetTileStatus(port, refusal, kTileFail, settings.tileFontSize, true);
            return PortOutcome{};
        },
        settings);
    return true;
}

} // namespace varnet
