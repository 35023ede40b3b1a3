// The scan modes on device roots the simulated station writes, read through
// the Linux device tree: the demo station's 24 sockets, a USB 3 hub, the
// station's own disks, disks someone mounted, and drives plugged and pulled
// while the watcher looks.
#include "device_root/device_root_writer.h"
#include "devices/mapping_files.h"
#include "devices/port_scans.h"
#include "platform/disk_watcher.h"
#include "platform/file_io.h"
#include "platform/ini_file.h"
#include "platform/sysfs_device_tree.h"
#include "station_description.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace varnet {
namespace {

using test::TempDir;

class GeneratedRoot : public ::testing::Test {
protected:
    void Write(std::string_view description) {
        const Status parsed = sim::ParseStationDescription(description, station_);
        ASSERT_TRUE(parsed.ok()) << parsed.message();
        std::filesystem::create_directories(dir_ / "Config");
        const Status written = sim::WriteDeviceRoot(station_, Root(), dir_ / "Sim");
        ASSERT_TRUE(written.ok()) << written.message();
    }
    void WriteDemo() { Write(test::ReadText(test::SourceDir() / "demo/station.txt")); }

    std::filesystem::path Root() const { return dir_ / "Sim/root"; }

    void Scan(int mapType, int slots = 24, bool clear = true) {
        if (clear)
            table_.ClearPorts();
        SysfsDeviceTree tree(Root());
        ScanForMapType(table_, ScanContext{tree, dir_.path(), slots, 5}, mapType);
    }

    // port (1-based) -> the simulated drive's name, for every bound port.
    std::map<int, std::string> Bound() const {
        std::map<int, std::string> bound;
        for (int p = 0; p < kPortCount; ++p) {
            const int32_t drive = table_.portDriveNumber[static_cast<size_t>(p)];
            if (drive != 0)
                bound[p + 1] =
                    IniGetString(dir_ / "Sim/attached.ini", "Disks", DiskNameOfDriveNumber(drive), "?", 64);
        }
        return bound;
    }

    // port (1-based) -> mount point, for every port with a mount note.
    std::map<int, std::string> Notes() const {
        std::map<int, std::string> notes;
        for (int p = 0; p < kPortCount; ++p)
            if (!table_.MountedAt(p).empty())
                notes[p + 1] = std::string(table_.MountedAt(p));
        return notes;
    }

    // The mount table without the line of this mount point, as after umount.
    void Unmount(std::string_view mountPoint) {
        const std::filesystem::path file = Root() / "proc/self/mountinfo";
        std::string kept;
        std::istringstream lines(test::ReadText(file));
        for (std::string line; std::getline(lines, line);)
            if (line.find(std::string(" ") + std::string(mountPoint) + " ") == std::string::npos)
                kept += line + "\n";
        ASSERT_TRUE(WriteFileAtomically(file, kept).ok());
    }

    static std::map<int, std::string> Sockets(int first, int last, int firstPort) {
        std::map<int, std::string> m;
        for (int s = first; s <= last; ++s)
            m[firstPort + s - first] = std::to_string(s);
        return m;
    }

    TempDir dir_;
    sim::StationDescription station_;
    CDeviceTable table_;
};

TEST_F(GeneratedRoot, DemoStationBindsSocketKToPortKAndNeverTheStationsOwnDisks) {
    WriteDemo();
    Scan(0);
    EXPECT_EQ(Bound(), Sockets(1, 24, 1));
    // Again from a clean table: the same binding, run after run.
    Scan(0);
    EXPECT_EQ(Bound(), Sockets(1, 24, 1));
}

TEST_F(GeneratedRoot, LockHubNumbersHubsAsFirstSeenAndKeepsThemAcrossScans) {
    WriteDemo();
    Scan(1);
    // Disks list in kernel-name order: the hubs on root ports 5 and 6 carry
    // the first names, so they become hubs 1 and 2.
    std::map<int, std::string> expected = Sockets(17, 24, 1);
    for (const auto& [port, name] : Sockets(1, 16, 9))
        expected[port] = name;
    EXPECT_EQ(Bound(), expected);
    const std::string firstHub = IniGetString(dir_ / "Config/HubMapping.xml", "Hub_Drive", "Hub1", "", 512);
    EXPECT_FALSE(firstHub.empty());
    Scan(1);
    EXPECT_EQ(Bound(), expected);
    EXPECT_EQ(IniGetString(dir_ / "Config/HubMapping.xml", "Hub_Drive", "Hub1", "", 512), firstHub);
}

TEST_F(GeneratedRoot, LockDevGivesEachDiskItsFirstPortThroughUnplugAndReplug) {
    WriteDemo();
    Scan(2, 24);
    const std::map<int, std::string> first = Bound();
    ASSERT_EQ(first.size(), 24u);
    int portOf7 = 0;
    for (const auto& [port, name] : first)
        if (name == "7")
            portOf7 = port;
    ASSERT_NE(portOf7, 0);
    const std::string pathOf7(table_.DevicePath(portOf7 - 1));

    ASSERT_TRUE(sim::UnplugDrive(station_, Root(), dir_ / "Sim", "7").ok());
    table_.Release(pathOf7);
    ASSERT_TRUE(sim::PlugDrive(station_, Root(), dir_ / "Sim", "7").ok());
    {
        SysfsDeviceTree tree(Root());
        ScanSlotMapped(table_, ScanContext{tree, dir_.path(), 24, 5}, true, pathOf7);
    }
    EXPECT_EQ(Bound(), first);
    Scan(2, 24);
    EXPECT_EQ(Bound(), first);
}

TEST_F(GeneratedRoot, UsbThreeHubCountsItsTwoHalvesAndSataFlowTakesOnlyDisksOffHubs) {
    Write(R"(usb-controller xhci pci=0000:00:14.0 ports=12 ss-ports=6
sata-controller ahci pci=0000:00:17.0
disk system at=ahci:1 mount=/ swap
disk spare at=ahci:2
hub fast at=xhci:1 vid=2109 pid=2817 ss-pid=0817 ports=4 usb3
hub plain at=xhci:2 vid=05e3 pid=0608 ports=4
drive a at=fast:1 usb3 usb-serial=A1
drive b at=fast:4 usb3 usb-serial=B1
drive c at=plain:2 usb-serial=C1
drive direct at=xhci:7 usb-serial=D1
drive stick at=plain:3 usb-serial=E1 removable
)");
    Scan(0);
    // Hubs enumerate by bus: the USB 2 halves of bus 1 (fast, plain) are the
    // first two 4-port hubs, the SuperSpeed half of bus 2 the third.
    EXPECT_EQ(Bound(), (std::map<int, std::string>{{6, "c"}, {9, "a"}, {12, "b"}, {1, "direct"}}));

    table_.ClearPorts();
    table_.sataFlow = 1;
    {
        SysfsDeviceTree tree(Root());
        ScanAuto(table_, ScanContext{tree, dir_.path(), 24, 5});
    }
    // A disk on a root port hangs on a hub port too; only the spare SATA
    // disk (not a station disk: nothing of it is mounted) is off the hubs.
    const std::map<int, std::string> bound = Bound();
    ASSERT_EQ(bound.size(), 1u);
    EXPECT_NE(table_.DevicePath(0).find("-ata-2"), std::string_view::npos) << table_.DevicePath(0);
}

// Three hubs of four: the first holds disks a user mounted, the second the
// computer's own file systems and swap (it boots from a USB disk), the third
// one drive nobody mounted.
constexpr std::string_view kMountedDisks = R"(usb-controller xhci pci=0000:00:14.0 ports=12
hub users at=xhci:1 vid=05e3 pid=0608 ports=4
hub system at=xhci:2 vid=05e3 pid=0608 ports=4
hub free at=xhci:3 vid=05e3 pid=0608 ports=4
drive backup at=users:1 usb-serial=B1 mount=/media/someone/Backup
drive x at=users:2 usb-serial=X1 mount=/run/media/u/X
drive data at=users:3 usb-serial=D1 mount=/mnt/data
drive blank at=users:4 usb-serial=E1 mount="/mnt/line data"
drive root at=system:1 usb-serial=R1 mount=/
drive efi at=system:2 usb-serial=F1 mount=/boot/efi
drive home at=system:3 usb-serial=H1 mount=/home
drive swapper at=system:4 usb-serial=S1 swap
drive spare at=free:1 usb-serial=P1
)";

TEST_F(GeneratedRoot, AMountedDiskIsNeverBoundAndOnlyAUsersMountIsNotedOnItsPort) {
    Write(kMountedDisks);
    const std::map<int, std::string> userMounts{
        {1, "/media/someone/Backup"}, {2, "/run/media/u/X"}, {3, "/mnt/data"}, {4, "/mnt/line data"}};
    for (int mapType : {0, 1, 2}) {
        SCOPED_TRACE("map type " + std::to_string(mapType));
        std::filesystem::remove_all(dir_ / "Config");
        std::filesystem::create_directories(dir_ / "Config");
        Scan(mapType, 24);
        const std::map<int, std::string> bound = Bound();
        ASSERT_EQ(bound.size(), 1u);
        EXPECT_EQ(bound.begin()->second, "spare");
        std::map<int, std::string> notes = Notes();
        EXPECT_FALSE(notes.contains(bound.begin()->first));
        if (mapType == 0) {
            EXPECT_EQ(bound.begin()->first, 9);
            EXPECT_EQ(notes, userMounts);
        } else {
            // Hubs and disks are numbered as first seen: the ports differ,
            // the notes do not.
            std::set<std::string> points;
            for (const auto& [port, point] : notes)
                points.insert(point);
            EXPECT_EQ(points, (std::set<std::string>{"/media/someone/Backup", "/run/media/u/X", "/mnt/data",
                                                     "/mnt/line data"}));
        }
        // A disk never bound keeps no port of its own for later: only the
        // spare is recorded.
        if (mapType == 2) {
            std::vector<std::string> recorded;
            for (int n = 1; n <= 24; ++n)
                if (std::string path = ReadSlotMapping(dir_.path(), n); !path.empty())
                    recorded.push_back(path);
            EXPECT_EQ(recorded,
                      std::vector<std::string>{std::string(table_.DevicePath(bound.begin()->first - 1))});
        }
    }
}

TEST_F(GeneratedRoot, AnUnmountedDiskIsBoundOnThePortItsNoteWasOn) {
    Write(kMountedDisks);
    Scan(0);
    ASSERT_EQ(Notes().at(1), "/media/someone/Backup");
    Unmount("/media/someone/Backup");
    Scan(0);
    EXPECT_EQ(Bound(), (std::map<int, std::string>{{1, "backup"}, {9, "spare"}}));
    EXPECT_EQ(Notes(),
              (std::map<int, std::string>{{2, "/run/media/u/X"}, {3, "/mnt/data"}, {4, "/mnt/line data"}}));
    // Pulled while mounted: its note goes with it.
    SysfsDeviceTree tree(Root());
    for (const DeviceInterface& disk :
         tree.ListInterfaces(InterfaceClass::Disk).value_or(std::vector<DeviceInterface>())) {
        if (tree.MountedAt(disk.path) == "/run/media/u/X") {
            EXPECT_EQ(table_.Release(disk.path), -1);
        }
    }
    EXPECT_EQ(Notes(), (std::map<int, std::string>{{3, "/mnt/data"}, {4, "/mnt/line data"}}));
}

TEST_F(GeneratedRoot, TheWatcherReportsPlugAndUnplugByInterfacePath) {
    WriteDemo();
    Scan(0);
    const std::string pathOf12(table_.DevicePath(11));
    DiskWatcher watcher(Root());
    ASSERT_TRUE(watcher.IsArmed());

    ASSERT_TRUE(sim::UnplugDrive(station_, Root(), dir_ / "Sim", "12").ok());
    std::vector<DiskChange> changes = watcher.WaitForChanges(std::chrono::seconds(5));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, DiskChange::Kind::Removed);
    EXPECT_EQ(changes[0].path, pathOf12);
    EXPECT_EQ(table_.Release(changes[0].path), 11);

    ASSERT_TRUE(sim::PlugDrive(station_, Root(), dir_ / "Sim", "12").ok());
    changes = watcher.WaitForChanges(std::chrono::seconds(5));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].kind, DiskChange::Kind::Arrived);
    EXPECT_EQ(changes[0].path, pathOf12);
    Scan(0, 24, /*clear=*/false);
    EXPECT_EQ(Bound(), Sockets(1, 24, 1));
}

} // namespace
} // namespace varnet
