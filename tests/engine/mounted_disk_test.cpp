// Disks someone mounted, as the main page meets them on a generated device
// root: Refresh shows where such a disk is mounted on the port it would
// have taken, and a drive mounted between Refresh and Start is refused
// right before its run, without a library call, its record Fail.
#include "device_root/device_root_writer.h"
#include "platform/file_io.h"
#include "platform/sysfs_device_tree.h"
#include "station_description.h"
#include "station_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace varnet::test {
namespace {

// One hub of four on root port 1: drives on ports 1, 3 and 4, and on port 2
// a user's backup disk the desktop mounted. The station's own disk is on
// SATA.
constexpr std::string_view kStation = R"(usb-controller xhci pci=0000:00:14.0 ports=12
sata-controller ahci pci=0000:00:17.0
disk system at=ahci:1 mount=/ swap
hub hub-1 at=xhci:1 vid=05e3 pid=0608 ports=4
drive a at=hub-1:1 usb-serial=A1
drive backup at=hub-1:2 usb-serial=BK1 mount=/media/someone/Backup
drive c at=hub-1:3 usb-serial=C1
drive d at=hub-1:4 usb-serial=D1
)";

class FinishedRuns final : public RunRecordOutput {
public:
    void RunStarted(const PortRunRecord&) override {}
    void RunFinished(const PortRunRecord& record) override {
        std::lock_guard lock(mutex_);
        byPort_[record.port] = record;
    }
    std::map<int, PortRunRecord> ByPort() const {
        std::lock_guard lock(mutex_);
        return byPort_;
    }

private:
    mutable std::mutex mutex_;
    std::map<int, PortRunRecord> byPort_;
};

PortOutcome IdentifyStep(PortContext& context) {
    uint8_t buffer[512] = {};
    context.library.GetIdentifyInfoBuf(context.drive, buffer);
    context.result.deviceValid = 1;
    context.action.store(PORT_READY);
    PortOutcome outcome;
    outcome.identified = true;
    return outcome;
}

PortOutcome EraseStep(PortContext& context) {
    char code[512] = {}, message[512] = {};
    int32_t progress = 0;
    const MpLibrary::Call call{context.drive, "", "", "", &progress, code, message};
    const bool erased = context.library.DoEraseAll(call);
    context.action.store(PORT_DONE);
    context.tile.SetStatus(erased ? "Pass!" : "Fail!", erased ? kTilePass : kTileFail,
                           context.env.tileFontSize, true);
    return {};
}

PortSteps Steps() {
    PortSteps steps;
    steps.identify = &IdentifyStep;
    steps.eraseAll = &EraseStep;
    return steps;
}

class MountedDisk : public ::testing::Test {
protected:
    // A page in the given language on a freshly written device root, whose
    // scans and run checks read that root.
    void Open(int uiLanguage) {
        fixture_ = std::make_unique<StationFixture>(kStationEraseAll, std::vector<std::string>{}, uiLanguage,
                                                    Steps());
        StationFixture& f = *fixture_;
        sim::StationDescription station;
        ASSERT_TRUE(sim::ParseStationDescription(kStation, station).ok());
        ASSERT_TRUE(sim::WriteDeviceRoot(station, Root(), f.dir.path() / "Sim").ok());
        outputs_ = std::make_unique<RunRecordOutputs>();
        runs_ = std::make_shared<FinishedRuns>();
        outputs_->Add(runs_);
        f.RebuildPage([&](MainPageSetup& setup) {
            setup.deviceTree = [root = Root()]() -> std::unique_ptr<DeviceTree> {
                return std::make_unique<SysfsDeviceTree>(root);
            };
            setup.outputs = outputs_.get();
        });
        f.library.identify = [this](int drive, uint8_t*) {
            std::lock_guard lock(mutex_);
            identified_.insert(drive);
            return true;
        };
        f.library.eraseAll = [this](const MpLibrary::Call& call) {
            std::lock_guard lock(mutex_);
            erased_.insert(call.drive);
            return true;
        };
    }

    void TearDown() override {
        if (fixture_)
            fixture_->page.reset();
    }

    std::filesystem::path Root() const { return fixture_->dir.path() / "Sim/root"; }
    MainPage& Page() { return *fixture_->page; }
    int32_t DriveOn(int port) { return Page().devices.portDriveNumber[static_cast<size_t>(port)]; }
    std::string DevOf(int32_t drive) {
        return TrimSpace(ReadText(Root() / "sys/class/block" / DiskNameOfDriveNumber(drive) / "dev"));
    }
    static std::string TrimSpace(std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
            text.pop_back();
        return text;
    }
    void Append(const std::filesystem::path& file, const std::string& line) {
        ASSERT_TRUE(WriteFileAtomically(file, ReadText(file) + line).ok());
    }
    void RefreshAndWait() {
        Page().Refresh();
        Page().WaitForPortRuns();
    }

    std::mutex mutex_;
    std::set<int> identified_;
    std::set<int> erased_;
    std::shared_ptr<FinishedRuns> runs_ = std::make_shared<FinishedRuns>();
    std::unique_ptr<RunRecordOutputs> outputs_;
    std::unique_ptr<StationFixture> fixture_;
};

TEST_F(MountedDisk, RefreshShowsWhereTheDiskIsMountedOnItsPortAndIdentifiesOnlyTheDrives) {
    const std::pair<int, const char*> cases[] = {
        {0, "Mounted at /media/someone/Backup: unmount it to test it"},
        {1, "已挂载于 /media/someone/Backup：请先卸载再测试"},
    };
    for (const auto& [language, text] : cases) {
        SCOPED_TRACE(text);
        Open(language);
        identified_.clear();
        RefreshAndWait();
        const TileState tile = fixture_->Tile(1);
        EXPECT_EQ(tile.statusText, text);
        EXPECT_EQ(tile.kind, kTileInfo);
        EXPECT_EQ(tile.fontSize, 78);
        EXPECT_TRUE(tile.centred);
        EXPECT_EQ(DriveOn(1), 0);
        EXPECT_NE(Page().portAction[1].load(), PORT_READY);
        EXPECT_EQ(identified_, (std::set<int>{DriveOn(0), DriveOn(2), DriveOn(3)}));
        for (int port : {0, 2, 3})
            EXPECT_EQ(Page().portAction[static_cast<size_t>(port)].load(), PORT_READY) << port;
        outputs_->Close();
        EXPECT_EQ(runs_->ByPort().count(2), 0u);

        // The disk is taken away: its port no longer tells where to unmount it.
        const std::string backup(Page().devices.MountedPath(1));
        ASSERT_FALSE(backup.empty());
        Page().OnDiskRemoval(backup);
        EXPECT_EQ(fixture_->Tile(1).statusText, "");
        EXPECT_EQ(fixture_->Tile(1).kind, kTileIdle);
        EXPECT_EQ(Page().devices.MountedAt(1), "");
        EXPECT_EQ(Page().identifiedCount.load(), 3) << "no drive was identified there to count out";
    }
}

TEST_F(MountedDisk, ADriveInUseByStartIsRefusedWithoutALibraryCallAndItsRecordFails) {
    struct Case {
        const char* what;
        int language;
        bool swap; // swap on it now, else mounted under /media
        const char* text;
    };
    const Case cases[] = {
        {"mounted", 0, false, "Mounted at /media/someone/Stick: unmount it to test it"},
        {"mounted, Chinese", 1, false, "已挂载于 /media/someone/Stick：请先卸载再测试"},
        {"swap", 0, true, "In use by this computer (system or swap): not tested"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.language);
        RefreshAndWait();
        const int32_t victim = DriveOn(2);
        ASSERT_NE(victim, 0);
        const std::string disk = DiskNameOfDriveNumber(victim);
        // The desktop acts between Refresh and Start.
        if (c.swap)
            Append(Root() / "proc/swaps",
                   "/dev/" + disk + "                                partition\t1024\t0\t-3\n");
        else
            Append(Root() / "proc/self/mountinfo",
                   "90 26 " + DevOf(victim) + " / /media/someone/Stick rw - vfat /dev/" + disk + " rw\n");
        erased_.clear();

        ASSERT_TRUE(Page().Start());
        Page().WaitForPortRuns();
        outputs_->Close();

        const TileState tile = fixture_->Tile(2);
        EXPECT_EQ(tile.statusText, c.text);
        EXPECT_EQ(tile.kind, kTileFail);
        EXPECT_EQ(Page().portAction[2].load(), PORT_DONE);
        EXPECT_EQ(erased_, (std::set<int>{DriveOn(0), DriveOn(3)}));
        const std::map<int, PortRunRecord> records = runs_->ByPort();
        ASSERT_EQ(records.count(3), 1u);
        EXPECT_EQ(records.at(3).station, "01_EraseAll");
        EXPECT_EQ(records.at(3).verdict, kVerdictFail);
        EXPECT_EQ(records.at(3).text, c.text);
        for (int port : {1, 4}) {
            ASSERT_EQ(records.count(port), 1u) << port;
            EXPECT_EQ(records.at(port).verdict, kVerdictPass) << port;
        }
        EXPECT_EQ(Page().runningPorts.load(), 0);
    }
}

} // namespace
} // namespace varnet::test
