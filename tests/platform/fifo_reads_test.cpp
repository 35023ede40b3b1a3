// A FIFO where a file is expected (a sysfs attribute, a mount table, a
// station file) is refused at once: nothing writes to it, and a read that
// waited for a writer would hang Refresh for good.
#include "platform/file_io.h"
#include "platform/ini_file.h"
#include "platform/mount_guard.h"
#include "platform/sysfs_device_tree.h"
#include "sysfs_root_builder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace varnet {
namespace {
namespace fs = std::filesystem;
using test::SysfsRoot;
using test::UsbInfo;

void MakeFifo(const fs::path& path) {
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

// Runs work on its own thread. Should it block on one of the FIFOs, they are
// opened for writing and closed again, which ends the blocked read with
// end-of-file, so the test fails instead of hanging.
void ExpectNoWait(const std::vector<fs::path>& fifos, const std::function<void()>& work) {
    std::future<void> done = std::async(std::launch::async, work);
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return done.get();
    ADD_FAILURE() << "a read waited for a writer on a FIFO";
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        for (const fs::path& fifo : fifos) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    done.get();
}

TEST(FifoReads, AFifoForADisksSizeOrAUsbSerialDoesNotHangTheScan) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    const std::string usb1 = root.Hub(root.Pci("0000:00:14.0"), "usb1", 4);
    UsbInfo stick;
    stick.serial = "S1";
    const std::string device = root.Usb(usb1, "1-1", stick);
    const std::string sdb = root.UsbDisk(device, 6, 0, "sdb");
    const std::vector<fs::path> fifos = {dir / (sdb + "/size"), dir / (device + "/serial")};
    for (const fs::path& fifo : fifos)
        MakeFifo(fifo);

    ExpectNoWait(fifos, [&] {
        SysfsDeviceTree tree(dir.path());
        const auto disks = tree.ListInterfaces(InterfaceClass::Disk);
        ASSERT_TRUE(disks);
        ASSERT_EQ(disks->size(), 1u);
        // No serial to read: the disk is named by its place.
        EXPECT_EQ(disks->front().path, "/dev/disk/by-path/pci-0000:00:14.0-usb-1:1:1.0-scsi-0:0:0:0");
        EXPECT_EQ(tree.DiskDriveNumber(disks->front().path), 2);
        EXPECT_EQ(tree.ReadCapacity10(2), std::nullopt);
        EXPECT_EQ(tree.IsRemovableMedium(2), true);
    });
}

TEST(FifoReads, AFifoForAMountTableBindsNoDisk) {
    test::TempDir dir;
    SysfsRoot root(dir.path());
    root.AtaDisk(root.Pci("0000:00:17.0"), 1, 0, "sda");
    const fs::path mountinfo = dir / "proc/self/mountinfo";
    MakeFifo(mountinfo);
    ExpectNoWait({mountinfo}, [&] {
        MountGuard guard(dir.path());
        EXPECT_TRUE(guard.Failed());
        EXPECT_TRUE(guard.InUse("sda"));
    });
}

TEST(FifoReads, AFifoForAStationFileReadsAsDefaultsAndIsNeverReplaced) {
    test::TempDir dir;
    const fs::path station = dir / "04_MP.ini";
    MakeFifo(station);
    ExpectNoWait({station}, [&] {
        EXPECT_EQ(ReadFile(station).outcome, FileRead::kFailed);
        EXPECT_EQ(ReadWholeFile(station), std::nullopt);
        EXPECT_EQ(IniGetString(station, "General Info", "ModelName", "none", 64), "none");
        EXPECT_FALSE(IniWriteString(station, "General Info", "ModelName", "M1").ok());
    });
    struct stat info {};
    ASSERT_EQ(::lstat(station.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

} // namespace
} // namespace varnet
