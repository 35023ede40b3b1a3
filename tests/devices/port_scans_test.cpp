// Placement of disks on ports by the three scan modes, on trees built to the
// shapes of real stations: stand-alone hubs, cascade boxes, hubs in the
// places the slot arithmetic reads wrongly on purpose.
#include "devices/hub_inventory.h"
#include "devices/mapping_files.h"
#include "devices/port_scans.h"
#include "fake_device_tree.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace varnet {
namespace {

using test::FakeDeviceTree;
using test::TempDir;

constexpr uint16_t kBoxVid = 0x05e3, kBoxPid = 0x0610;

// port (0-based) -> drive number, for every bound port.
std::map<int, int> Bound(const CDeviceTable& table) {
    std::map<int, int> bound;
    for (int p = 0; p < kPortCount; ++p)
        if (!table.IsFree(p) || table.portDriveNumber[p] != 0)
            bound[p] = table.portDriveNumber[p];
    return bound;
}

class PortScans : public ::testing::Test {
protected:
    FakeDeviceTree tree;
    TempDir dir;
    CDeviceTable table;
    // Start-up creates Config/; the mapping files live there.
    void SetUp() override { std::filesystem::create_directories(dir.path() / "Config"); }
    ScanContext Context(int slots = 24) { return ScanContext{tree, dir.path(), slots, 5}; }

    // A cascade box: a head hub with four 4-port members of the same vendor
    // and product, on port `port` of the root hub.
    std::vector<DevNode> AddCascadeBox(int port) {
        const DevNode head = tree.AddHub(tree.Root(), port, kBoxVid, kBoxPid, 4);
        std::vector<DevNode> members;
        for (int h = 1; h <= 4; ++h)
            members.push_back(tree.AddHub(head, h, kBoxVid, kBoxPid, 4));
        return members;
    }
};

TEST_F(PortScans, StandAloneFourPortHubsGiveSlotsInHubOrder) {
    const DevNode first = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    const DevNode second = tree.AddHub(tree.Root(), 2, 0x2109, 0x2817, 4);
    // Disks enumerate in an order unrelated to their sockets.
    tree.AddUsbDisk(second, 3, 11);
    tree.AddUsbDisk(first, 4, 12);
    tree.AddUsbDisk(second, 1, 13);
    tree.AddUsbDisk(first, 1, 14);
    ScanAuto(table, Context());
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 14}, {3, 12}, {4, 13}, {6, 11}}));
    EXPECT_TRUE(table.allHubs.empty() && table.externalHubs.empty());
}

TEST_F(PortScans, CascadeBoxesAndTrailingHubsGiveSlotsOneToTwentyFour) {
    const std::vector<DevNode> members = AddCascadeBox(1);
    const DevNode fifth = tree.AddHub(tree.Root(), 5, 0x2109, 0x2817, 4);
    const DevNode sixth = tree.AddHub(tree.Root(), 6, 0x2109, 0x2817, 4);
    int drive = 30;
    std::map<int, int> expected;
    // Plug in reverse socket order so enumeration order cannot explain the result.
    for (int slot = 24; slot >= 1; --slot) {
        const DevNode hub = slot <= 16 ? members[(slot - 1) / 4] : slot <= 20 ? fifth : sixth;
        tree.AddUsbDisk(hub, (slot - 1) % 4 + 1, drive);
        expected[slot - 1] = drive++;
    }
    ScanAuto(table, Context());
    EXPECT_EQ(Bound(table), expected);
}

TEST_F(PortScans, SecondCascadeBoxIsOffsetBySixteen) {
    const std::vector<DevNode> box0 = AddCascadeBox(1);
    const std::vector<DevNode> box1 = AddCascadeBox(2);
    tree.AddUsbDisk(box1[1], 2, 7); // box 1, member 2, port 2: 16 + 4 + 2
    tree.AddUsbDisk(box0[3], 4, 8); // box 0, member 4, port 4: 16
    ScanAuto(table, Context());
    EXPECT_EQ(Bound(table), (std::map<int, int>{{21, 7}, {15, 8}}));
}

TEST_F(PortScans, InventoryReadsOneDigitOfTheParentPortAndCountsOnlyFourPortHubs) {
    const DevNode big = tree.AddHub(tree.Root(), 3, 0x1a40, 0x0201, 7);
    const DevNode onTwelve = tree.AddHub(tree.Root(), 12, 0x1a40, 0x0101, 4);
    const DevNode four = tree.AddHub(tree.Root(), 4, 0x1a40, 0x0101, 4);
    EXPECT_EQ(BuildHubInventory(table, tree), 0);
    const ST_HUBINFO& seven = table.externalHubs.at(*tree.InstanceId(big));
    EXPECT_EQ(seven.counted, 0);
    EXPECT_EQ(seven.hubPort, 3);
    EXPECT_EQ(table.externalHubs.at(*tree.InstanceId(onTwelve)).hubPort, 1);
    EXPECT_EQ(table.externalHubs.at(*tree.InstanceId(onTwelve)).fourPortIndex, 0);
    EXPECT_EQ(table.externalHubs.at(*tree.InstanceId(four)).fourPortIndex, 1);
    EXPECT_EQ(table.externalHubs.size(), 3u);
    EXPECT_EQ(table.allHubs.size(), 4u); // the root hub too
}

TEST_F(PortScans, FindHubPortStopsAtTheFirstFailingPortRequest) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    const DevNode disk = tree.AddUsbDisk(hub, 3, 5);
    BuildHubInventory(table, tree);
    ST_HUBINFO info;
    const DevNode usb = tree.Parent(disk);
    EXPECT_EQ(FindHubPort(table, tree, usb, hub, info), 3);
    EXPECT_EQ(info.hubPort, 3);
    tree.failingPorts.insert({tree.HubPath(hub), 2});
    EXPECT_EQ(FindHubPort(table, tree, usb, hub, info), 0);
}

TEST_F(PortScans, AdmissionKeepsStationDisksRemovablesAndCardReadersOff) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 1, 0);                     // the station's own disk reads as drive 0
    tree.AddUsbDisk(hub, 2, 6, /*removable=*/true); // a stick or card reader slot
    const DevNode reader = tree.AddUsbDisk(hub, 3, 7);
    tree.SetDiskPath(reader, "\\\\?\\usbstor#disk&card_reader#1#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
    tree.AddSataDisk(8);
    tree.AddUsbDisk(hub, 4, 9);
    ScanAuto(table, Context());
    EXPECT_EQ(Bound(table), (std::map<int, int>{{3, 9}}));
}

TEST_F(PortScans, SataFlowBindsOnlyDisksOffHubPortsAndNeedsTheCurrentOsForPathsWithoutUsb) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 2, 4);
    tree.AddSataDisk(5);
    tree.AddSataDisk(6);
    table.sataFlow = 1;
    ScanAuto(table, Context());
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 5}, {1, 6}}));

    table.ClearPorts();
    ScanContext older = Context();
    older.osGeneration = 4;
    ScanAuto(table, older);
    EXPECT_TRUE(Bound(table).empty());
}

TEST_F(PortScans, DiskOnAHubMissingFromTheInventoryGoesToTheFirstFreePort) {
    const std::vector<DevNode> members = AddCascadeBox(1);
    tree.AddUsbDisk(members[0], 1, 3);
    const DevNode hidden = tree.AddHub(tree.Root(), 2, 0x2109, 0x2817, 4);
    tree.unlistedHubs.insert(tree.HubPath(hidden));
    tree.AddUsbDisk(hidden, 4, 4); // slot 255 while a cascade exists
    ScanAuto(table, Context());
    // Not found in the inventory means FindHubPort finds no port: unbound.
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 3}}));
}

TEST(PlaceDisk, SameSlotTwiceMovesOnOrReplaces) {
    CDeviceTable table;
    PlaceDisk(table, 3, 24, "a", 1);
    PlaceDisk(table, 3, 24, "b", 2); // next free after slot 3
    PlaceDisk(table, 3, 24, "a", 9); // already there: nothing changes
    EXPECT_EQ(table.DevicePath(2), "a");
    EXPECT_EQ(table.portDriveNumber[2], 1);
    EXPECT_EQ(table.DevicePath(3), "b");

    PlaceDisk(table, 4, 4, "c", 3); // every later port taken: replaces the occupant
    EXPECT_EQ(table.DevicePath(3), "c");
    PlaceDisk(table, 255, 24, "d", 4); // no slot: first free port
    EXPECT_EQ(table.DevicePath(0), "d");
    CDeviceTable full;
    for (int p = 0; p < 8; ++p)
        full.Bind(p, std::string(1, static_cast<char>('k' + p)), p + 1);
    PlaceDisk(full, 0, 8, "e", 5);
    EXPECT_FALSE(full.HoldsPath("e"));
}

TEST_F(PortScans, HubMappingNumbersHubsInTheOrderFirstSeenAndKeepsThem) {
    const DevNode a = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    const DevNode b = tree.AddHub(tree.Root(), 2, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(b, 2, 21);
    ScanHubMapped(table, Context());
    EXPECT_EQ(Bound(table), (std::map<int, int>{{1, 21}})); // b became hub 1
    tree.AddUsbDisk(a, 1, 22);
    table.ClearPorts();
    ScanHubMapped(table, Context());
    EXPECT_EQ(Bound(table), (std::map<int, int>{{1, 21}, {4, 22}})); // a is hub 2
    EXPECT_EQ(ReadHubMapping(dir.path(), 1), *tree.DriverKey(b));
    EXPECT_EQ(ReadHubMapping(dir.path(), 2), *tree.DriverKey(a));
}

TEST_F(PortScans, HubMappingWithSixteenSlotsGivesAFifthHubItsPortNumber) {
    std::vector<DevNode> hubs;
    for (int h = 1; h <= 5; ++h)
        hubs.push_back(tree.AddHub(tree.Root(), h, 0x2109, 0x2817, 4));
    for (int h = 0; h < 4; ++h)
        tree.AddUsbDisk(hubs[h], 4, 40 + h); // slots 4, 8, 12, 16
    tree.AddUsbDisk(hubs[4], 2, 50);
    ScanHubMapped(table, Context(16));
    EXPECT_EQ(Bound(table), (std::map<int, int>{{3, 40}, {7, 41}, {11, 42}, {15, 43}, {1, 50}}));
    EXPECT_EQ(ReadHubMapping(dir.path(), 5), "");
}

TEST_F(PortScans, SlotMappingKeepsEachDisksPortThroughReplugging) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    const DevNode first = tree.AddUsbDisk(hub, 3, 31);
    tree.AddUsbDisk(hub, 1, 32);
    ScanSlotMapped(table, Context(8), false, {});
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 31}, {1, 32}})); // enumeration order
    EXPECT_EQ(ReadSlotMapping(dir.path(), 1), FakeDeviceTree::DiskPath(31));

    // Another disk in the first disk's socket gets the first port without a
    // drive, not the socket's old port.
    tree.RemoveDisk(first);
    table.Release(FakeDeviceTree::DiskPath(31));
    tree.AddUsbDisk(hub, 3, 33);
    ScanSlotMapped(table, Context(8), true, FakeDeviceTree::DiskPath(33));
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 33}, {1, 32}}));
    EXPECT_EQ(ReadSlotMapping(dir.path(), 1), FakeDeviceTree::DiskPath(33));

    // A full scan finds every disk at its recorded port; the returning first
    // disk is recorded nowhere any more and takes the next free port.
    tree.AddUsbDisk(hub, 4, 31);
    table.ClearPorts();
    ScanSlotMapped(table, Context(8), false, {});
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 33}, {1, 32}, {2, 31}}));
}

TEST_F(PortScans, AMappingFileThatCannotBeWrittenStillBinds) {
    std::filesystem::remove(dir.path() / "Config");
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 2, 3);
    ScanSlotMapped(table, Context(8), false, {});
    ScanHubMapped(table, Context(8));
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 3}}));
}

TEST_F(PortScans, SlotMappingArrivalNeverBindsAStationDisk) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 1, 0);
    ScanSlotMapped(table, Context(8), true, FakeDeviceTree::DiskPath(0));
    ScanSlotMapped(table, Context(8), true, "\\\\?\\usbstor#disk&gone");
    EXPECT_TRUE(Bound(table).empty());
    EXPECT_EQ(ReadSlotMapping(dir.path(), 1), "");
}

TEST_F(PortScans, AnArrivalAddsWithoutMovingBoundDisks) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 2, 3);
    ScanAuto(table, Context());
    table.portIdentifySerial[1][0] = 'S';
    tree.AddUsbDisk(hub, 1, 4);
    ScanAuto(table, Context()); // no ClearPorts: a device arrival
    EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 4}, {1, 3}}));
    EXPECT_EQ(table.portIdentifySerial[1][0], 'S');
}

TEST_F(PortScans, AListThatCannotBeReadChangesNothing) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 2, 3);
    table.Bind(5, "kept", 9);
    tree.listFails = true;
    for (int mapType : {0, 1, 2})
        ScanForMapType(table, Context(), mapType);
    EXPECT_EQ(Bound(table), (std::map<int, int>{{5, 9}}));
    EXPECT_TRUE(table.allHubs.empty());
}

TEST(DeviceTable, ReleaseFreesOnlyTheMatchingPort) {
    CDeviceTable table;
    table.Bind(4, "p", 7);
    table.portDriveLetter[4] = 'E';
    table.portIdentifySerial[4][0] = 'S';
    EXPECT_EQ(table.Release("q"), -1);
    EXPECT_EQ(table.Release("p"), 4);
    EXPECT_TRUE(table.IsFree(4));
    EXPECT_EQ(table.portDriveNumber[4], 0);
    EXPECT_EQ(table.portDriveLetter[4], '\0');
    table.ClearPorts();
    EXPECT_EQ(table.portIdentifySerial[4][0], '\0');
}

TEST(SlotCount, OnlyTwentyFourAndSixteenAreTakenAsWritten) {
    EXPECT_EQ(SlotCountOf(24), 24);
    EXPECT_EQ(SlotCountOf(16), 16);
    EXPECT_EQ(SlotCountOf(8), 8);
    EXPECT_EQ(SlotCountOf(12), 8);
    EXPECT_EQ(SlotCountOf(0), 8);
}

TEST_F(PortScans, AMountedDiskIsNotedOnlyOnAHubPortAndNeverOverADrive) {
    const DevNode hub = tree.AddHub(tree.Root(), 1, 0x2109, 0x2817, 4);
    tree.AddUsbDisk(hub, 1, 11);
    const DevNode mounted = tree.AddUsbDisk(hub, 3, 0);
    tree.SetDiskPath(mounted, "/dev/disk/by-id/usb-backup-0:0");
    tree.mountedAt["/dev/disk/by-id/usb-backup-0:0"] = "/media/someone/Backup";
    const DevNode internal = tree.AddSataDisk(0);
    tree.SetDiskPath(internal, "/dev/disk/by-path/pci-0000:00:17.0-ata-2");
    tree.mountedAt["/dev/disk/by-path/pci-0000:00:17.0-ata-2"] = "/mnt/data";
    for (int mapType : {0, 1, 2}) {
        SCOPED_TRACE(mapType);
        table.ClearPorts();
        ScanForMapType(table, Context(), mapType);
        EXPECT_EQ(Bound(table), (std::map<int, int>{{0, 11}}));
        int notes = 0;
        for (int p = 0; p < kPortCount; ++p)
            notes += table.MountedAt(p).empty() ? 0 : 1;
        EXPECT_EQ(notes, 1);
        EXPECT_TRUE(table.MountedAt(0).empty());
        // The slot scan gives a disk it never recorded the first free port.
        EXPECT_EQ(table.MountedAt(mapType == 2 ? 1 : 2), "/media/someone/Backup");
    }
    // A drive bound later wins the port; the note goes.
    table.Bind(1, "/dev/disk/by-id/usb-other-0:0", 12);
    EXPECT_TRUE(table.MountedAt(1).empty());
}

} // namespace
} // namespace varnet
