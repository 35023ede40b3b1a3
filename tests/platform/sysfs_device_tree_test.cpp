#include "platform/sysfs_device_tree.h"

#include "sysfs_root_builder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace varnet {
namespace {
namespace fs = std::filesystem;
using test::DiskInfo;
using test::SysfsRoot;
using test::UsbInfo;

// A laptop as its kernel lays it out: xHCI 0000:00:14.0 with a USB 2 and a
// SuperSpeed root hub, a USB 3 hub in both halves, a flash drive and a
// serial-less SATA bridge on the SuperSpeed half, a four-slot card reader on
// the USB 2 half, the system disk on SATA (mounted, swap), an NVMe disk under
// dm-crypt, a DVD drive and a loop device.
fs::path Laptop() {
    return test::SourceDir() / "tests/platform/fixtures/sysfs/laptop";
}

constexpr const char* kSda = "/dev/disk/by-path/pci-0000:00:17.0-ata-1";
constexpr const char* kFlash = "/dev/disk/by-id/usb-sandisk_ultra_4c530001230101103384-0:0";
constexpr const char* kBridge = "/dev/disk/by-path/pci-0000:00:14.0-usb-2:1.2:1.0-scsi-0:0:0:0";
constexpr const char* kCompactFlash = "/dev/disk/by-id/usb-generic-_compact_flash_20071114173400000-0:0";
constexpr const char* kSdSlot = "/dev/disk/by-id/usb-generic-_sd_mmc_20071114173400000-0:2";

std::string Hub(std::string_view name) {
    return "/sys/bus/usb/devices/" + std::string(name);
}

std::vector<std::string> Paths(const std::optional<std::vector<DeviceInterface>>& list) {
    std::vector<std::string> paths;
    if (list) {
        for (const DeviceInterface& entry : *list)
            paths.push_back(entry.path);
    }
    return paths;
}

DevNode NodeOf(SysfsDeviceTree& tree, InterfaceClass interfaceClass, std::string_view path) {
    for (const DeviceInterface& entry :
         tree.ListInterfaces(interfaceClass).value_or(std::vector<DeviceInterface>())) {
        if (entry.path == path)
            return entry.node;
    }
    return 0;
}

// The tree below and beside a node, one instance ID a line, children
// indented; checks on the way that every child names its parent.
std::string Render(SysfsDeviceTree& tree, DevNode first, int depth = 0) {
    std::string out;
    for (DevNode node = first; node; node = tree.NextSibling(node)) {
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + tree.InstanceId(node).value_or("?") + "\n";
        for (DevNode child = tree.FirstChild(node); child; child = tree.NextSibling(child))
            EXPECT_EQ(tree.Parent(child), node) << out;
        out += Render(tree, tree.FirstChild(node), depth + 1);
    }
    return out;
}

DevNode Top(SysfsDeviceTree& tree, DevNode node) {
    while (tree.Parent(node))
        node = tree.Parent(node);
    return node;
}

TEST(SysfsDeviceTree, LaptopListsHubsByBusThenPortsAndSdDisksByName) {
    SysfsDeviceTree tree(Laptop());
    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::UsbHub)),
              (std::vector<std::string>{Hub("usb1"), Hub("1-1"), Hub("usb2"), Hub("2-1")}));
    // sr0, nvme0n1, loop0, dm-0 and the partitions are not disks here.
    EXPECT_EQ(
        Paths(tree.ListInterfaces(InterfaceClass::Disk)),
        (std::vector<std::string>{kSda, kFlash, kBridge, kCompactFlash,
                                  "/dev/disk/by-id/usb-generic-_sm_xd-picture_20071114173400000-0:1", kSdSlot,
                                  "/dev/disk/by-id/usb-generic-_ms_ms-pro_20071114173400000-0:3"}));
    for (const DeviceInterface& disk :
         tree.ListInterfaces(InterfaceClass::Disk).value_or(std::vector<DeviceInterface>()))
        EXPECT_EQ(disk.path.find("usb") != std::string::npos, disk.path != kSda) << disk.path;
}

// The names must be the ones udev gives the same disks (the fixture holds its
// links): by-id exactly, by-path with udev's 0 where the bus goes.
TEST(SysfsDeviceTree, DiskPathsAreUdevsNames) {
    std::map<std::string, std::string> udev; // lower-case link name -> kernel name
    for (const char* folder : {"by-id", "by-path"}) {
        for (const fs::directory_entry& link : fs::directory_iterator(Laptop() / "dev/disk" / folder)) {
            std::string name = "/dev/disk/" + std::string(folder) + "/" + link.path().filename().string();
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            udev[name] = fs::read_symlink(link.path()).filename().string();
        }
    }
    SysfsDeviceTree tree(Laptop());
    std::vector<DeviceInterface> disks = tree.ListInterfaces(InterfaceClass::Disk).value();
    ASSERT_EQ(disks.size(), 7u);
    for (const DeviceInterface& disk : disks) {
        std::string path = disk.path;
        size_t bus = path.find("-usb-");
        if (path.starts_with("/dev/disk/by-path/") && bus != std::string::npos)
            path.replace(bus + 5, path.find(':', bus) - bus - 5, "0");
        EXPECT_EQ("DISK\\" + udev[path], tree.InstanceId(disk.node)) << disk.path;
    }
}

TEST(SysfsDeviceTree, LaptopWalkFollowsPortsAndLuns) {
    SysfsDeviceTree tree(Laptop());
    DevNode usb1 = NodeOf(tree, InterfaceClass::UsbHub, Hub("usb1"));
    ASSERT_NE(usb1, 0u);
    // Port 10 after port 7: ports order as numbers.
    EXPECT_EQ(Render(tree, Top(tree, usb1)), "PCI\\VEN_8086&DEV_A36D\\0000:00:14.0\n"
                                             "  USB\\ROOT_HUB20\\1&0&0\n"
                                             "    USB\\VID_05E3&PID_0610\\1&0&0&1\n"
                                             "      USB\\VID_0BDA&PID_0158\\1&1&0&3\n"
                                             "        DISK\\sdd\n"
                                             "        DISK\\sde\n"
                                             "        DISK\\sdf\n"
                                             "        DISK\\sdg\n"
                                             "    USB\\VID_04F2&PID_B604\\1&0&0&7\n"
                                             "    USB\\VID_8087&PID_0AAA\\1&0&0&10\n"
                                             "  USB\\ROOT_HUB30\\2&0&0\n"
                                             "    USB\\VID_05E3&PID_0626\\2&0&0&1\n"
                                             "      USB\\VID_0781&PID_5581\\2&1&0&1\n"
                                             "        DISK\\sdb\n"
                                             "      USB\\VID_152D&PID_0578\\2&1&0&2\n"
                                             "        DISK\\sdc\n"
                                             "PCI\\VEN_8086&DEV_A353\\0000:00:17.0\n"
                                             "  DISK\\sda\n");

    // From a disk up: its USB device (22 characters name bus, vendor and
    // product; the instance ends in its port), the hub, the root hub, the PCI
    // function, then nothing.
    DevNode flash = tree.Parent(NodeOf(tree, InterfaceClass::Disk, kFlash));
    std::string id = tree.InstanceId(flash).value_or("");
    EXPECT_EQ(id.substr(0, 22), "USB\\VID_0781&PID_5581\\");
    EXPECT_TRUE(id.ends_with("&1"));
    DevNode pci = tree.Parent(tree.Parent(tree.Parent(flash)));
    EXPECT_EQ(tree.InstanceId(tree.Parent(tree.Parent(flash))), "USB\\ROOT_HUB30\\2&0&0");
    EXPECT_EQ(tree.InstanceId(pci), "PCI\\VEN_8086&DEV_A36D\\0000:00:14.0");
    EXPECT_EQ(tree.Parent(pci), 0u);
}

TEST(SysfsDeviceTree, DriverKeysAreDistinctAndNeverInsideAnother) {
    SysfsDeviceTree tree(Laptop());
    std::vector<std::string> keys;
    for (DevNode node = 1; tree.DriverKey(node); ++node)
        keys.push_back(*tree.DriverKey(node));
    ASSERT_EQ(keys.size(), 18u); // 2 PCI functions, 9 USB devices, 7 disks
    for (size_t i = 0; i < keys.size(); ++i) {
        for (size_t j = 0; j < keys.size(); ++j) {
            if (i != j) {
                EXPECT_EQ(keys[j].find(keys[i]), std::string::npos) << keys[i] << " in " << keys[j];
            }
        }
    }
    DevNode usb1 = NodeOf(tree, InterfaceClass::UsbHub, Hub("usb1"));
    EXPECT_EQ(tree.DriverKey(usb1), "{usb}\\0001#");
    EXPECT_EQ(tree.DriverKey(tree.Parent(usb1)), "{pci}\\0000:00:14.0#");
    EXPECT_EQ(tree.DriverKey(NodeOf(tree, InterfaceClass::Disk, kFlash)), "{disk}\\sdb#");
    EXPECT_EQ(tree.DriverKey(tree.Parent(NodeOf(tree, InterfaceClass::Disk, kSdSlot))),
              "{usb}\\0001-0001.0003#");
}

TEST(SysfsDeviceTree, HubPortsReportWhatSitsOnThem) {
    SysfsDeviceTree tree(Laptop());
    EXPECT_EQ(tree.HubPortCount(Hub("usb1")), 12);
    EXPECT_EQ(tree.HubPortCount(Hub("usb2")), 6);
    EXPECT_EQ(tree.HubPortCount(Hub("1-1")), 4);
    EXPECT_EQ(tree.HubPortCount(Hub("2-1")), 4);
    EXPECT_EQ(tree.HubPortCount(Hub("1-7")), std::nullopt); // a camera, not a hub
    EXPECT_EQ(tree.HubPortCount(Hub("9-9")), std::nullopt);

    struct Case {
        const char* hub;
        int port;
        std::optional<int> status;
        std::optional<std::string> key;
    };
    const Case cases[] = {
        {"usb1", 1, 1, "{usb}\\0001-0001#"},
        {"usb1", 2, 0, std::nullopt},
        {"usb1", 7, 1, "{usb}\\0001-0007#"},
        {"usb1", 10, 1, "{usb}\\0001-0010#"},
        {"usb1", 12, 0, std::nullopt},
        {"usb1", 13, std::nullopt, std::nullopt},
        {"usb1", 0, std::nullopt, std::nullopt},
        // The SuperSpeed drives sit on the hub's other half.
        {"1-1", 1, 0, std::nullopt},
        {"1-1", 3, 1, "{usb}\\0001-0001.0003#"},
        {"usb2", 1, 1, "{usb}\\0002-0001#"},
        {"2-1", 1, 1, "{usb}\\0002-0001.0001#"},
        {"2-1", 2, 1, "{usb}\\0002-0001.0002#"},
        {"2-1", 4, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tree.PortConnectionStatus(Hub(c.hub), c.port), c.status) << c.hub << " port " << c.port;
        EXPECT_EQ(tree.PortDriverKey(Hub(c.hub), c.port), c.key) << c.hub << " port " << c.port;
    }
    // A port's key is the key of the node the walk finds there.
    DevNode bridge = tree.Parent(NodeOf(tree, InterfaceClass::Disk, kBridge));
    EXPECT_EQ(tree.PortDriverKey(Hub("2-1"), 2), tree.DriverKey(bridge));
}

TEST(SysfsDeviceTree, LaptopDriveNumbersSpareEveryDiskInUse) {
    SysfsDeviceTree tree(Laptop());
    // sda holds / and swap: the station's own, never to be unmounted. sdb
    // (a stick) and sdf (a card) are mounted under /media and /run/media:
    // not bound, and, being removable media that no scan would bind
    // unmounted either, nobody is told to unmount them.
    struct Case {
        const char* path;
        int drive;
        std::optional<std::string> mountedAt;
    };
    const Case cases[] = {
        {kSda, 0, std::nullopt},          {kFlash, 0, std::nullopt},  {kBridge, 3, std::nullopt},
        {kCompactFlash, 4, std::nullopt}, {kSdSlot, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tree.DiskDriveNumber(c.path), c.drive) << c.path;
        EXPECT_EQ(tree.MountedAt(c.path), c.mountedAt) << c.path;
    }
    EXPECT_EQ(tree.DiskDriveNumber("/dev/disk/by-id/usb-nothing-0:0"), std::nullopt);
    EXPECT_EQ(tree.MountedAt("/dev/disk/by-id/usb-nothing-0:0"), std::nullopt);
}

TEST(SysfsDeviceTree, LaptopRemovableBitAndCapacity) {
    SysfsDeviceTree tree(Laptop());
    EXPECT_EQ(tree.IsRemovableMedium(1), false);
    EXPECT_EQ(tree.IsRemovableMedium(2), true);
    EXPECT_EQ(tree.IsRemovableMedium(3), false);
    EXPECT_EQ(tree.IsRemovableMedium(4), true);

    struct Case {
        int drive;
        std::optional<uint32_t> lastLba;
        uint32_t blockLength;
    };
    const Case cases[] = {
        {1, 976773167u, 512},  // 976,773,168 sectors of 512
        {3, 976754645u, 4096}, // 7,814,037,168 sectors as 4K blocks
        {6, 62333951u, 512},   // the card in the SD slot
        {4, std::nullopt, 0},  // an empty slot: no medium
        {8, std::nullopt, 0},  // no sdh
        {0, std::nullopt, 0},  {-1, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        std::optional<CapacityReply> reply = tree.ReadCapacity10(c.drive);
        ASSERT_EQ(reply.has_value(), c.lastLba.has_value()) << "drive " << c.drive;
        if (reply) {
            EXPECT_EQ(reply->lastLba, *c.lastLba) << "drive " << c.drive;
            EXPECT_EQ(reply->blockLength, c.blockLength) << "drive " << c.drive;
        }
    }
    EXPECT_EQ(tree.IsRemovableMedium(8), std::nullopt);
}

TEST(SysfsDeviceTree, DriveNumbersOfDiskNames) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"sda", 1},
        {"sdz", 26},
        {"sdaa", 27},
        {"sdaz", 52},
        {"sdba", 53},
        {"sdzz", 702},
        {"sdaaa", 703},
        {"sda1", std::nullopt},
        {"sr0", std::nullopt},
        {"nvme0n1", std::nullopt},
        {"loop0", std::nullopt},
        {"dm-0", std::nullopt},
        {"sd", std::nullopt},
        {"sdA", std::nullopt},
        {"", std::nullopt},
        {"sdaaaaa", 475255},
        {"sdaaaaaa", std::nullopt},
    };
    for (const auto& [name, drive] : cases)
        EXPECT_EQ(DriveNumberOfDiskName(name), drive) << name;
    for (int drive = 1; drive <= 20000; ++drive)
        ASSERT_EQ(DriveNumberOfDiskName(DiskNameOfDriveNumber(drive)), drive);
    EXPECT_EQ(DiskNameOfDriveNumber(0), "");
}

TEST(SysfsDeviceTree, UdevLinkText) {
    const std::pair<const char*, const char*> cases[] = {
        {"SanDisk ", "SanDisk"},
        {"SD/MMC          ", "SD_MMC"},
        {"  Ultra  Fit ", "Ultra_Fit"},
        {"x\ty", "x_y"},
        {"a*b(c)", "a_b_c_"},
        {"Generic-", "Generic-"},
        {"SM/xD-Picture", "SM_xD-Picture"},
        {"", ""},
    };
    for (const auto& [raw, link] : cases)
        EXPECT_EQ(UdevLinkText(raw), link) << '"' << raw << '"';
}

// A station's worth of drives on four 8-port hubs: sdaa comes after sdz, not
// after sda, and reads as drive 27.
TEST(SysfsDeviceTree, ManyDisksEnumerateByDriveNumber) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    std::string usb1 = root.Hub(root.Pci("0000:00:14.0"), "usb1", 4);
    std::vector<std::string> expected;
    for (int n = 0; n < 30; ++n) {
        std::string hubName = "1-" + std::to_string(n / 8 + 1);
        std::string hub = usb1 + "/" + hubName;
        if (n % 8 == 0)
            root.Hub(usb1, hubName, 8);
        std::string name = DiskNameOfDriveNumber(n + 1);
        UsbInfo info;
        info.serial = "SN" + std::to_string(1000 + n);
        root.UsbDisk(root.Usb(hub, hubName + "." + std::to_string(n % 8 + 1), info), 10 + n, 0, name);
        expected.push_back("/dev/disk/by-id/usb-sandisk_ultra_sn" + std::to_string(1000 + n) + "-0:0");
    }
    SysfsDeviceTree tree(dir.path());
    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::Disk)), expected);
    EXPECT_EQ(tree.DiskDriveNumber(expected[26]), 27);
    EXPECT_EQ(tree.ListInterfaces(InterfaceClass::UsbHub)->size(), 5u);
}

// Without a serial a disk is named by place, with the bus in it: udev's own
// by-path name would be the same for both halves of a USB 3 hub.
TEST(SysfsDeviceTree, DisksWithoutUsableSerialAreNamedByPlace) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    std::string pci = root.Pci("0000:00:14.0");
    std::string usb1 = root.Hub(pci, "usb1", 2);
    std::string usb2 = root.Hub(pci, "usb2", 2, 5000);
    UsbInfo noSerial;
    UsbInfo blankSerial;
    blankSerial.serial = "   ";
    root.UsbDisk(root.Usb(usb1, "1-1", noSerial), 6, 0, "sdb");
    root.UsbDisk(root.Usb(usb2, "2-1", noSerial), 7, 0, "sdc");
    root.UsbDisk(root.Usb(usb2, "2-2", blankSerial), 8, 1, "sdd");
    SysfsDeviceTree tree(dir.path());
    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::Disk)),
              (std::vector<std::string>{"/dev/disk/by-path/pci-0000:00:14.0-usb-1:1:1.0-scsi-0:0:0:0",
                                        "/dev/disk/by-path/pci-0000:00:14.0-usb-2:1:1.0-scsi-0:0:0:0",
                                        "/dev/disk/by-path/pci-0000:00:14.0-usb-2:2:1.0-scsi-0:0:0:1"}));
}

// Drives before production often share one serial; a by-id name would then
// stand for two disks, so both go by place and each path finds its own drive.
TEST(SysfsDeviceTree, ClonedSerialsFallBackToPlace) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    std::string usb1 = root.Hub(root.Pci("0000:00:14.0"), "usb1", 4);
    UsbInfo clone;
    clone.serial = "0123456789ABCDEF";
    UsbInfo unique;
    unique.serial = "AA00000000012345";
    root.UsbDisk(root.Usb(usb1, "1-1", clone), 6, 0, "sdb");
    root.UsbDisk(root.Usb(usb1, "1-2", clone), 7, 0, "sdc");
    root.UsbDisk(root.Usb(usb1, "1-3", unique), 8, 0, "sdd");
    SysfsDeviceTree tree(dir.path());
    std::vector<std::string> paths = Paths(tree.ListInterfaces(InterfaceClass::Disk));
    EXPECT_EQ(paths, (std::vector<std::string>{"/dev/disk/by-path/pci-0000:00:14.0-usb-1:1:1.0-scsi-0:0:0:0",
                                               "/dev/disk/by-path/pci-0000:00:14.0-usb-1:2:1.0-scsi-0:0:0:0",
                                               "/dev/disk/by-id/usb-sandisk_ultra_aa00000000012345-0:0"}));
    for (size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(tree.DiskDriveNumber(paths[i]), static_cast<int>(i) + 2) << paths[i];
}

TEST(SysfsDeviceTree, SkipsNonDisksAndDanglingEntries) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    std::string pci = root.Pci("0000:00:14.0");
    std::string usb1 = root.Hub(pci, "usb1", 2);
    UsbInfo info;
    info.serial = "S1";
    std::string sdb = root.UsbDisk(root.Usb(usb1, "1-1", info), 6, 0, "sdb");
    root.Partition(sdb, "sdb1", 1);
    root.Link("sys/block/sdb1", sdb + "/sdb1"); // not where the kernel puts it, still not a disk
    root.VirtualBlock("loop0", "7:0");
    root.VirtualBlock("nvme0n1", "259:0");
    root.VirtualBlock("sr0", "11:0");
    root.Link("sys/block/sdx", "sys/devices/gone/block/sdx");
    root.Link("sys/bus/usb/devices/1-2", usb1 + "/1-2");
    root.Attr("sys/bus/usb/devices/junk", "not a device");
    SysfsDeviceTree tree(dir.path());
    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::Disk)),
              std::vector<std::string>{"/dev/disk/by-id/usb-sandisk_ultra_s1-0:0"});
    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::UsbHub)), std::vector<std::string>{Hub("usb1")});
    EXPECT_EQ(tree.PortConnectionStatus(Hub("usb1"), 2), 0);
    EXPECT_EQ(tree.IsRemovableMedium(24), std::nullopt); // sdx
}

TEST(SysfsDeviceTree, MissingOrUnreadableAttributesFailOneRequest) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    std::string pci = root.Pci("0000:00:14.0");
    std::string usb1 = root.Hub(pci, "usb1", 4);
    std::string hub = root.Hub(usb1, "1-1", 4);
    std::string classless = root.Hub(usb1, "1-2", 4);
    root.Remove(classless + "/bDeviceClass");
    UsbInfo info;
    info.serial = "S1";
    std::string stick = root.Usb(hub, "1-1.1", info);
    root.Remove(stick + "/idVendor");
    std::string sdb = root.UsbDisk(stick, 6, 0, "sdb");
    std::string sdc = root.UsbDisk(root.Usb(hub, "1-1.2", info), 7, 0, "sdc");
    std::string sdd = root.UsbDisk(root.Usb(hub, "1-1.3", UsbInfo{}), 8, 0, "sdd");
    // Unreadable: a folder where the attribute should be.
    root.Remove(hub + "/maxchild");
    root.Attr(hub + "/maxchild/x", "");
    root.Remove(sdb + "/removable");
    root.Attr(sdc + "/removable", "2");
    root.Attr(sdb + "/size", "lots");
    root.Remove(sdc + "/queue/logical_block_size");
    root.Attr(sdc + "/queue/logical_block_size/x", "");
    root.Attr(sdd + "/queue/logical_block_size", "0");
    root.Remove(sdb + "/../../vendor"); // the SCSI vendor: no by-id name
    SysfsDeviceTree tree(dir.path());

    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::UsbHub)),
              (std::vector<std::string>{Hub("usb1"), Hub("1-1")}));
    EXPECT_EQ(tree.HubPortCount(Hub("1-1")), std::nullopt);
    EXPECT_EQ(tree.PortConnectionStatus(Hub("1-1"), 1), std::nullopt);
    std::vector<std::string> disks = Paths(tree.ListInterfaces(InterfaceClass::Disk));
    ASSERT_EQ(disks.size(), 3u);
    EXPECT_EQ(disks[0], "/dev/disk/by-path/pci-0000:00:14.0-usb-1:1.1:1.0-scsi-0:0:0:0");
    DevNode stickNode = tree.Parent(NodeOf(tree, InterfaceClass::Disk, disks[0]));
    EXPECT_EQ(tree.InstanceId(stickNode), std::nullopt);
    EXPECT_EQ(tree.DriverKey(stickNode), "{usb}\\0001-0001.0001#");
    for (int drive = 2; drive <= 4; ++drive) {
        EXPECT_EQ(tree.IsRemovableMedium(drive), drive == 4 ? std::optional<bool>(true) : std::nullopt)
            << drive;
        EXPECT_EQ(tree.ReadCapacity10(drive).has_value(), false) << drive;
        EXPECT_EQ(tree.DiskDriveNumber(disks[static_cast<size_t>(drive - 2)]), drive);
    }
}

// The tree is a snapshot; hub and disk requests look again and fail for what
// has left since.
TEST(SysfsDeviceTree, DevicesThatLeaveAfterTheListingFailTheirRequests) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    std::string usb1 = root.Hub(root.Pci("0000:00:14.0"), "usb1", 4);
    std::string hub = root.Hub(usb1, "1-1", 4);
    UsbInfo reader;
    reader.serial = "2007";
    std::string readerDir = root.Usb(hub, "1-1.3", reader);
    root.UsbDisk(readerDir, 7, 0, "sdc");
    root.UsbDisk(readerDir, 7, 1, "sdd");
    UsbInfo stick;
    stick.serial = "S1";
    root.UsbDisk(root.Usb(usb1, "1-2", stick), 6, 0, "sdb");
    SysfsDeviceTree tree(dir.path());
    std::vector<std::string> disks = Paths(tree.ListInterfaces(InterfaceClass::Disk));
    ASSERT_EQ(disks.size(), 3u);
    ASSERT_EQ(tree.ListInterfaces(InterfaceClass::UsbHub)->size(), 2u);
    DevNode readerNode = tree.Parent(NodeOf(tree, InterfaceClass::Disk, disks[1]));

    // The hub goes, and the card reader with it.
    root.Remove(hub);
    EXPECT_EQ(tree.HubPortCount(Hub("1-1")), std::nullopt);
    EXPECT_EQ(tree.PortConnectionStatus(Hub("1-1"), 3), std::nullopt);
    EXPECT_EQ(tree.PortConnectionStatus(Hub("usb1"), 1), 0);
    EXPECT_EQ(tree.PortDriverKey(Hub("usb1"), 1), std::nullopt);
    for (int drive : {3, 4}) {
        EXPECT_EQ(tree.DiskDriveNumber(disks[static_cast<size_t>(drive - 2)]), std::nullopt) << drive;
        EXPECT_EQ(tree.IsRemovableMedium(drive), std::nullopt) << drive;
        EXPECT_EQ(tree.ReadCapacity10(drive), std::nullopt) << drive;
    }
    // The rest answers, and the walk still knows the reader.
    EXPECT_EQ(tree.DiskDriveNumber(disks[0]), 2);
    EXPECT_EQ(tree.ReadCapacity10(2)->lastLba, 60088319u);
    EXPECT_EQ(tree.DriverKey(readerNode), "{usb}\\0001-0001.0003#");
}

TEST(SysfsDeviceTree, MissingRootListsNothingAndAnswersNothing) {
    SysfsDeviceTree tree("/nonexistent/varnet-root");
    EXPECT_EQ(tree.ListInterfaces(InterfaceClass::UsbHub), std::nullopt);
    EXPECT_EQ(tree.ListInterfaces(InterfaceClass::Disk), std::nullopt);
    EXPECT_EQ(tree.Parent(0), 0u);
    EXPECT_EQ(tree.FirstChild(7), 0u);
    EXPECT_EQ(tree.NextSibling(7), 0u);
    EXPECT_EQ(tree.InstanceId(1), std::nullopt);
    EXPECT_EQ(tree.DriverKey(0), std::nullopt);
    EXPECT_EQ(tree.HubPortCount(Hub("usb1")), std::nullopt);
    EXPECT_EQ(tree.DiskDriveNumber(kSda), std::nullopt);
    EXPECT_EQ(tree.ReadCapacity10(1), std::nullopt);
}

// A machine without USB has no sys/bus/usb at all: no hubs, not a failure.
TEST(SysfsDeviceTree, MachineWithoutUsbHasNoHubs) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    root.AtaDisk(root.Pci("0000:00:17.0", "0x8086", "0xa353"), 1, 0, "sda");
    SysfsDeviceTree tree(dir.path());
    std::optional<std::vector<DeviceInterface>> hubs = tree.ListInterfaces(InterfaceClass::UsbHub);
    ASSERT_TRUE(hubs);
    EXPECT_TRUE(hubs->empty());
    EXPECT_EQ(Paths(tree.ListInterfaces(InterfaceClass::Disk)), std::vector<std::string>{kSda});
    EXPECT_EQ(tree.DiskDriveNumber(kSda), 1); // nothing mounted in this root
}

TEST(SysfsDeviceTree, CapacityBeyondTheTenByteCommandSaturates) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    DiskInfo big;
    big.sectors = 15628053168ull; // 8 TB
    root.AtaDisk(root.Pci("0000:00:17.0"), 1, 0, "sda", big);
    SysfsDeviceTree tree(dir.path());
    std::optional<CapacityReply> reply = tree.ReadCapacity10(1);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->lastLba, 0xFFFFFFFFu);
    EXPECT_EQ(reply->blockLength, 512u);
}

} // namespace
} // namespace varnet
