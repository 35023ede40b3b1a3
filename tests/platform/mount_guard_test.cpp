#include "platform/mount_guard.h"

#include "platform/sysfs_device_tree.h"
#include "sysfs_root_builder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace varnet {
namespace {
namespace fs = std::filesystem;
using test::SysfsRoot;
using test::UsbInfo;

TEST(MountGuard, ParsesMountinfoWithEscapesAndOptionalFields) {
    const char* text =
        "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
        "501 28 8:17 / /media/tech/SANDISK\\040ULTRA rw shared:412 master:3 - vfat /dev/sdb1 rw\n"
        "502 28 8:33 / /mnt/tab\\011and\\134back rw - ext4 /dev/my\\040disk rw\n"
        "22 28 0:20 / /sys rw,nosuid - sysfs sysfs rw\n"
        "garbage line\n"
        "23 28 x:1 / /bad rw - ext4 /dev/sdz rw\n"
        "24 28 259:1 / /home rw";
    std::vector<MountEntry> entries = ParseMountInfo(text);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].major, 8u);
    EXPECT_EQ(entries[0].minor, 2u);
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[0].source, "/dev/sda2");
    EXPECT_EQ(entries[1].mountPoint, "/media/tech/SANDISK ULTRA");
    EXPECT_EQ(entries[1].source, "/dev/sdb1");
    EXPECT_EQ(entries[2].mountPoint, "/mnt/tab\tand\\back");
    EXPECT_EQ(entries[2].source, "/dev/my disk");
    EXPECT_EQ(entries[3].major, 0u);
    // Cut short before the separator: the device number still counts.
    EXPECT_EQ(entries[4].major, 259u);
    EXPECT_EQ(entries[4].minor, 1u);
    EXPECT_EQ(entries[4].source, "");
    EXPECT_EQ(UnescapeMountField("a\\04b\\999\\"), "a\\04b\\999\\");
}

TEST(MountGuard, ParsesSwaps) {
    EXPECT_EQ(ParseSwaps("Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n"
                         "/dev/sda3                               partition\t4193276\t\t0\t\t-2\n"
                         "/swap\\040file                           file\t\t1048572\t\t0\t\t-3\n"),
              (std::vector<std::string>{"/dev/sda3", "/swap file"}));
    EXPECT_TRUE(ParseSwaps("Filename\tType\tSize\tUsed\tPriority\n").empty());
}

TEST(MountGuard, TheSystemLivesOnRootBootHomeUsrAndVar) {
    const std::pair<const char*, bool> cases[] = {
        {"/", true},
        {"/boot", true},
        {"/boot/efi", true},
        {"/home", true},
        {"/usr", true},
        {"/var/lib/docker", true},
        {"/media/tech/STICK", false},
        {"/run/media/tech/3533-3130", false},
        {"/mnt/data", false},
        {"/home/tech/Backup", false},
        {"/bootstrap", false},
        {"/variant", false},
        {"/srv", false},
    };
    for (const auto& [mountPoint, system] : cases)
        EXPECT_EQ(IsSystemMountPoint(mountPoint), system) << mountPoint;
}

TEST(MountGuard, LaptopSystemDisksAreTheStationsDesktopMountsAreMounted) {
    MountGuard guard(test::SourceDir() / "tests/platform/fixtures/sysfs/laptop");
    EXPECT_FALSE(guard.Failed());
    // / and /boot/efi on sda, swap on sda3, /home on dm-crypt over the NVMe
    // partition, a snap on loop0, a stick under /media and a card under
    // /run/media.
    EXPECT_EQ(guard.UsedDevices(),
              (std::set<std::string>{"dm-0", "loop0", "nvme0n1", "nvme0n1p1", "sda", "sda1", "sda2", "sda3",
                                     "sdb", "sdb1", "sdf", "sdf1"}));
    struct Case {
        const char* disk;
        DiskUse use;
        const char* mountPoint;
    };
    const Case cases[] = {
        {"sda", DiskUse::Station, ""},
        {"nvme0n1", DiskUse::Station, ""},
        {"sdb", DiskUse::Mounted, "/media/tech/SANDISK ULTRA"},
        {"sdf", DiskUse::Mounted, "/run/media/tech/3533-3130"},
        {"sdc", DiskUse::Free, ""},
    };
    for (const Case& c : cases) {
        const DiskUseVerdict verdict = guard.Use(c.disk);
        EXPECT_EQ(verdict.use, c.use) << c.disk;
        EXPECT_EQ(verdict.mountPoint, c.mountPoint) << c.disk;
        EXPECT_EQ(guard.InUse(c.disk), c.use != DiskUse::Free) << c.disk;
    }
}

// Every way a disk ends up in use, one disk each.
class StackedRoot : public ::testing::Test {
protected:
    StackedRoot() : root_(dir_.path()) {
        std::string ahci = root_.Pci("0000:00:17.0", "0x8086", "0xa353");
        test::DiskInfo fixed;
        fixed.removable = 0;
        std::string sdb = root_.AtaDisk(ahci, 2, 1, "sdb", fixed);
        std::string sdc = root_.AtaDisk(ahci, 3, 2, "sdc", fixed);
        std::string sdd = root_.AtaDisk(ahci, 4, 3, "sdd", fixed);
        std::string sde = root_.AtaDisk(ahci, 5, 4, "sde", fixed);
        std::string sdf = root_.AtaDisk(ahci, 6, 5, "sdf", fixed);
        std::string sdg = root_.AtaDisk(ahci, 7, 6, "sdg", fixed);
        std::string sdh = root_.AtaDisk(ahci, 8, 7, "sdh");
        std::string sdi = root_.AtaDisk(ahci, 9, 8, "sdi", fixed);
        root_.AtaDisk(ahci, 10, 9, "sdj", fixed);
        std::string sdk = root_.AtaDisk(ahci, 11, 10, "sdk", fixed);
        // LVM over a partition: dm-0 (/srv) on sdb1.
        std::string sdb1 = root_.Partition(sdb, "sdb1", 1);
        std::string dm0 = root_.VirtualBlock("dm-0", "254:0");
        root_.Link(dm0 + "/slaves/sdb1", sdb1);
        root_.Link(sdb1 + "/holders/dm-0", dm0);
        // RAID 1 over whole disks sdc and sdd, LVM on top: md0 -> dm-1 (/data).
        std::string md0 = root_.VirtualBlock("md0", "9:0");
        std::string dm1 = root_.VirtualBlock("dm-1", "254:1");
        root_.Link(md0 + "/slaves/sdc", sdc);
        root_.Link(md0 + "/slaves/sdd", sdd);
        root_.Link(dm1 + "/slaves/md0", md0);
        // Swap on an LVM volume named through /dev/mapper: dm-2 on sde.
        std::string dm2 = root_.VirtualBlock("dm-2", "254:2");
        root_.Attr(dm2 + "/dm/name", "vg-swap");
        root_.Link(dm2 + "/slaves/sde", sde);
        // A stack the kernel shows only from below (no slaves folder).
        std::string sdf1 = root_.Partition(sdf, "sdf1", 1);
        std::string dm3 = root_.VirtualBlock("dm-3", "254:3");
        root_.Link(sdf1 + "/holders/dm-3", dm3);
        // btrfs reports an anonymous device number; its source names sdg2.
        root_.Partition(sdg, "sdg1", 1);
        root_.Partition(sdg, "sdg2", 2);
        // sdh (a stick: removable medium) only under /media, sdi under
        // /media and then /mnt, sdj untouched, sdk a scratch disk with a swap
        // file on it.
        root_.Partition(sdh, "sdh1", 1);
        root_.Partition(sdi, "sdi1", 1);
        root_.Partition(sdk, "sdk1", 1);
        root_.Mountinfo("28 1 254:0 / /srv rw - xfs /dev/mapper/vg-srv rw\n"
                        "29 28 254:1 / /data rw - ext4 /dev/mapper/vg-data rw\n"
                        "30 28 254:3 / /var rw - ext4 /dev/dm-3 rw\n"
                        "31 28 0:45 /@home /home rw - btrfs /dev/sdg2 rw,subvol=/@home\n"
                        "32 28 8:113 / /media/op/STICK rw - vfat /dev/sdh1 rw\n"
                        "33 28 8:129 / /media/op/OTHER rw - vfat /dev/sdi1 rw\n"
                        "34 28 8:129 / /mnt/bind rw - vfat /dev/sdi1 rw\n"
                        "35 28 8:161 / /mnt/scratch rw - ext4 /dev/sdk1 rw\n");
        root_.Swaps("Filename\tType\tSize\tUsed\tPriority\n"
                    "/dev/mapper/vg-swap partition 8388604 0 -2\n"
                    "/mnt/scratch/swap\\040file file 1048572 0 -3\n");
    }

    test::TempDir dir_;
    SysfsRoot root_;
};

TEST_F(StackedRoot, DisksUnderMountsAndSwapThroughAnyLayerAreInUse) {
    MountGuard guard(dir_.path());
    struct Case {
        const char* disk;
        DiskUse use;
        const char* mountPoint;
    };
    const Case cases[] = {
        {"sdb", DiskUse::Mounted, "/srv"},
        {"sdc", DiskUse::Mounted, "/data"},
        {"sdd", DiskUse::Mounted, "/data"},
        {"sde", DiskUse::Station, ""},
        {"sdf", DiskUse::Station, ""},
        {"sdg", DiskUse::Station, ""},
        {"sdh", DiskUse::Mounted, "/media/op/STICK"},
        // The first mount in the table names the disk.
        {"sdi", DiskUse::Mounted, "/media/op/OTHER"},
        {"sdj", DiskUse::Free, ""},
        // Unmounting it would fail while its swap file is active.
        {"sdk", DiskUse::Station, ""},
    };
    for (const Case& c : cases) {
        const DiskUseVerdict verdict = guard.Use(c.disk);
        EXPECT_EQ(verdict.use, c.use) << c.disk;
        EXPECT_EQ(verdict.mountPoint, c.mountPoint) << c.disk;
    }
}

TEST_F(StackedRoot, DisksInUseReadAsDriveZeroAndNameTheirMountPoint) {
    SysfsDeviceTree tree(dir_.path());
    std::vector<int> drives;
    std::vector<std::string> mounted;
    for (const DeviceInterface& disk :
         tree.ListInterfaces(InterfaceClass::Disk).value_or(std::vector<DeviceInterface>())) {
        drives.push_back(tree.DiskDriveNumber(disk.path).value_or(-1));
        mounted.push_back(tree.MountedAt(disk.path).value_or("-"));
    }
    EXPECT_EQ(drives, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 10, 0}));
    // The stick would not be tested unmounted either: nobody is told to.
    EXPECT_EQ(mounted, (std::vector<std::string>{"/srv", "/data", "/data", "-", "-", "-", "-",
                                                 "/media/op/OTHER", "-", "-"}));
}

// The station's own USB backup disk, mounted at /mnt/backup, must not be
// bound when the tables that would say so are missing or unreadable.
TEST(MountGuard, AMissingMountTableBindsNoDisk) {
    enum class Table { Listed, Empty, Missing, Folder };
    struct Case {
        Table mountinfo;
        Table swaps;
        const char* namedFile; // nullptr: no problem
    };
    const Case cases[] = {
        {Table::Listed, Table::Empty, nullptr},
        {Table::Empty, Table::Empty, nullptr}, // readable, nothing mounted
        {Table::Missing, Table::Empty, "/proc/self/mountinfo"},
        {Table::Listed, Table::Missing, "/proc/swaps"},
        {Table::Missing, Table::Missing, "/proc/self/mountinfo"},
        {Table::Folder, Table::Empty, "/proc/self/mountinfo"},
        {Table::Listed, Table::Folder, "/proc/swaps"},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        SysfsRoot root(dir.path());
        UsbInfo backup;
        backup.serial = "BK1";
        test::DiskInfo fixed;
        fixed.removable = 0;
        const std::string sdb = root.UsbDisk(
            root.Usb(root.Hub(root.Pci("0000:00:14.0"), "usb1", 4), "1-1", backup), 6, 0, "sdb", fixed);
        root.Partition(sdb, "sdb1", 1);
        for (const auto& [table, file] :
             {std::pair{c.mountinfo, "proc/self/mountinfo"}, {c.swaps, "proc/swaps"}}) {
            if (table == Table::Missing || table == Table::Folder)
                fs::remove(dir / file);
            if (table == Table::Folder)
                fs::create_directories(dir / file);
        }
        if (c.mountinfo == Table::Listed)
            root.Mountinfo("40 1 8:17 / /mnt/backup rw - ext4 /dev/sdb1 rw\n");
        const std::string label =
            std::string(c.namedFile ? c.namedFile : "no problem") + " case " + std::to_string(&c - cases);

        MountGuard guard(dir.path());
        EXPECT_EQ(guard.Failed(), c.namedFile != nullptr) << label;
        // Listed: held because mounted; failed: held because unknown.
        EXPECT_EQ(guard.InUse("sdb"), c.mountinfo == Table::Listed || c.namedFile) << label;
        SysfsDeviceTree tree(dir.path());
        const std::string disk = "/dev/disk/by-id/usb-sandisk_ultra_bk1-0:0";
        EXPECT_EQ(tree.DiskDriveNumber(disk), guard.InUse("sdb") ? 0 : 2) << label;
        // Unknown tables say nothing of where the disk is mounted.
        EXPECT_EQ(tree.MountedAt(disk), c.mountinfo == Table::Listed && !c.namedFile
                                            ? std::optional<std::string>("/mnt/backup")
                                            : std::nullopt)
            << label;
        EXPECT_EQ(tree.ScanProblem(), guard.Problem()) << label;
        if (c.namedFile) {
            EXPECT_NE(guard.Problem().find((dir.path().string() + c.namedFile)), std::string::npos)
                << guard.Problem();
            EXPECT_EQ(guard.Problem().rfind("no disk is bound", 0), 0u) << guard.Problem();
        } else {
            EXPECT_EQ(guard.Problem(), "") << label;
        }
    }
}

} // namespace
} // namespace varnet
