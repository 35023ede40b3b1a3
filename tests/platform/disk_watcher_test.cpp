#include "platform/disk_watcher.h"

#include "sysfs_root_builder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace varnet {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::SysfsRoot;
using test::UsbInfo;

// Bounds every wait; a passing run never comes near it.
constexpr auto kPatience = 10s;

std::vector<std::string> Text(const std::vector<DiskChange>& changes) {
    std::vector<std::string> out;
    for (const DiskChange& change : changes)
        out.push_back((change.kind == DiskChange::Kind::Arrived ? "+" : "-") + change.path);
    return out;
}

// A station with a USB root hub; disks come and go as the kernel and udev
// make them come and go: sysfs first, then the link, made under a temporary
// name and renamed into place.
class WatchedRoot : public ::testing::Test {
protected:
    WatchedRoot() : root_(dir_.path()) { usb1_ = root_.Hub(root_.Pci("0000:00:14.0"), "usb1", 4); }

    void PlugIn(const std::string& device, const std::string& disk, std::optional<std::string> serial) {
        UsbInfo info;
        info.serial = std::move(serial);
        int host = static_cast<int>(disk.back() - 'a') + 5;
        root_.UsbDisk(root_.Usb(usb1_, device, info), host, 0, disk);
    }

    void UdevAdd(const std::string& folder, const std::string& link, const std::string& disk) {
        fs::path dir = dir_.path() / "dev/disk" / folder;
        fs::create_directories(dir);
        fs::create_symlink("../../" + disk, dir / (".#" + link + "a8Kx2q"));
        fs::rename(dir / (".#" + link + "a8Kx2q"), dir / link);
    }

    void Unplug(const std::string& device, const std::string& disk) {
        root_.Remove(usb1_ + "/" + device);
        root_.Remove("sys/bus/usb/devices/" + device);
        root_.Remove("sys/block/" + disk);
        root_.Remove("sys/class/block/" + disk);
    }

    test::TempDir dir_;
    SysfsRoot root_;
    std::string usb1_;
};

TEST_F(WatchedRoot, ReportsArrivalAndRemovalByInterfacePath) {
    fs::create_directories(dir_.path() / "dev/disk/by-id");
    fs::create_directories(dir_.path() / "dev/disk/by-path");
    DiskWatcher watcher(dir_.path());
    ASSERT_GE(watcher.Fd(), 0);
    ASSERT_TRUE(watcher.IsArmed());
    EXPECT_TRUE(watcher.Disks().empty());
    EXPECT_TRUE(watcher.ReadChanges().empty()); // nothing pending: returns at once

    const std::string path = "/dev/disk/by-id/usb-sandisk_ultra_4c530001-0:0";
    PlugIn("1-2", "sdb", "4C530001");
    UdevAdd("by-id", "usb-SanDisk_Ultra_4C530001-0:0", "sdb");
    EXPECT_EQ(Text(watcher.WaitForChanges(kPatience)), std::vector<std::string>{"+" + path});
    EXPECT_EQ(watcher.Disks(), std::set<std::string>{path});

    // More links for the same disk change nothing.
    UdevAdd("by-path", "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:0", "sdb");
    ASSERT_TRUE(watcher.WaitForEvents(kPatience));
    EXPECT_TRUE(watcher.ReadChanges().empty());

    Unplug("1-2", "sdb");
    fs::remove(dir_.path() / "dev/disk/by-id/usb-SanDisk_Ultra_4C530001-0:0");
    EXPECT_EQ(Text(watcher.WaitForChanges(kPatience)), std::vector<std::string>{"-" + path});
    EXPECT_TRUE(watcher.Disks().empty());
}

// udev removes by-id with its last link and makes it again for the next disk;
// the next disk must still be heard.
TEST_F(WatchedRoot, FolderRemovedWithItsLastLinkIsWatchedAgain) {
    PlugIn("1-1", "sdb", "AAA1");
    UdevAdd("by-id", "usb-SanDisk_Ultra_AAA1-0:0", "sdb");
    fs::create_directories(dir_.path() / "dev/disk/by-path");
    DiskWatcher watcher(dir_.path());
    ASSERT_TRUE(watcher.IsArmed());
    EXPECT_EQ(watcher.Disks(), std::set<std::string>{"/dev/disk/by-id/usb-sandisk_ultra_aaa1-0:0"});

    Unplug("1-1", "sdb");
    fs::remove_all(dir_.path() / "dev/disk/by-id");
    EXPECT_EQ(Text(watcher.WaitForChanges(kPatience)),
              std::vector<std::string>{"-/dev/disk/by-id/usb-sandisk_ultra_aaa1-0:0"});

    fs::create_directory(dir_.path() / "dev/disk/by-id");
    for (auto deadline = std::chrono::steady_clock::now() + kPatience;
         !watcher.IsArmed() && std::chrono::steady_clock::now() < deadline;)
        watcher.WaitForEvents(100ms);
    ASSERT_TRUE(watcher.IsArmed());

    // Only by-id sees this one.
    PlugIn("1-3", "sdc", "BBB2");
    UdevAdd("by-id", "usb-SanDisk_Ultra_BBB2-0:0", "sdc");
    EXPECT_EQ(Text(watcher.WaitForChanges(kPatience)),
              std::vector<std::string>{"+/dev/disk/by-id/usb-sandisk_ultra_bbb2-0:0"});
}

// Before the first disk there may be no /dev/disk at all.
TEST_F(WatchedRoot, DevDiskAppearingAfterStartIsWatched) {
    DiskWatcher watcher(dir_.path());
    ASSERT_GE(watcher.Fd(), 0);
    EXPECT_FALSE(watcher.IsArmed());

    fs::create_directories(dir_.path() / "dev/disk/by-id");
    fs::create_directories(dir_.path() / "dev/disk/by-path");
    for (auto deadline = std::chrono::steady_clock::now() + kPatience;
         !watcher.IsArmed() && std::chrono::steady_clock::now() < deadline;)
        watcher.WaitForEvents(100ms);
    ASSERT_TRUE(watcher.IsArmed());

    PlugIn("1-4", "sdb", std::nullopt);
    UdevAdd("by-path", "pci-0000:00:14.0-usb-0:4:1.0-scsi-0:0:0:0", "sdb");
    EXPECT_EQ(Text(watcher.WaitForChanges(kPatience)),
              std::vector<std::string>{"+/dev/disk/by-path/pci-0000:00:14.0-usb-1:4:1.0-scsi-0:0:0:0"});
}

TEST(DiskWatcher, MissingRootIsNotAnError) {
    DiskWatcher watcher("/nonexistent/varnet-root");
    EXPECT_FALSE(watcher.IsArmed());
    EXPECT_TRUE(watcher.Disks().empty());
    EXPECT_TRUE(watcher.ReadChanges().empty());
}

} // namespace
} // namespace varnet
