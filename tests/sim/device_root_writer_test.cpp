// The simulated station's device root as the program's device adapter sees
// it: the kernel's and udev's shapes, the names and numbers they hand out,
// and plug and unplug as a watcher of the root observes them.
#include "device_root_writer.h"
#include "platform/ini_document.h"
#include "station_description.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace varnet::sim {
namespace {

namespace fs = std::filesystem;

// Two buses on one xHCI controller with a USB 3 hub on both, a USB 2 hub
// with a drive left out and one without a bridge serial, a card reader with
// mounted media, a SATA system disk and an NVMe disk behind a PCI bridge.
constexpr std::string_view kStation = R"(
usb-controller xhci pci=0000:00:14.0 ports=4 ss-ports=2
sata-controller sata pci=0000:00:17.0
nvme-controller nvme pci=0000:01:00.0
disk system at=sata:1 mount=/ swap model="Station SSD" serial=S1
disk data at=nvme:1 mount="/srv/line data" model="Data Disk" serial=N1
hub fast at=xhci:1 vid=2109 pid=2817 ss-pid=0817 ports=4 usb3
hub box at=xhci:2 vid=05e3 pid=0610 ports=4
drive a at=box:1 usb-serial=A1
drive b at=box:2 unplugged usb-serial=B2
drive c at=box:3
drive d at=fast:2 usb3 usb-serial="D 4"
card-reader reader at=xhci:3 media=32 mount=/media/op/CARD usb-serial=CR1
)";

const fs::path kXhci = "sys/devices/pci0000:00/0000:00:14.0";

// Every path below the root with what it holds: a link's target or a file's
// bytes.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string rel = entry.path().lexically_relative(root).string();
        if (entry.is_symlink())
            entries[rel] = "-> " + fs::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            entries[rel] = test::ReadText(entry.path());
        else
            entries[rel] = "/";
    }
    return entries;
}

class DeviceRootTest : public ::testing::Test {
protected:
    void SetUp() override { Write(kStation); }

    void Write(std::string_view description) {
        station_ = {};
        const Status parsed = ParseStationDescription(description, station_);
        ASSERT_TRUE(parsed.ok()) << parsed.message();
        const Status written = WriteDeviceRoot(station_, Root(), Sim());
        ASSERT_TRUE(written.ok()) << written.message();
    }
    fs::path Root() const { return dir_ / "root"; }
    fs::path Sim() const { return dir_ / "Sim"; }

    Status Plug(std::string_view name) { return PlugDrive(station_, Root(), Sim(), name); }
    Status Unplug(std::string_view name) { return UnplugDrive(station_, Root(), Sim(), name); }

    // An attribute without its line end.
    std::string Attr(const fs::path& rel) const {
        std::string text = test::ReadText(Root() / rel);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    bool Exists(const fs::path& rel) const { return fs::exists(fs::symlink_status(Root() / rel)); }
    // Where a path leads once every link on the way is followed, relative to
    // the root; empty when it leads nowhere.
    fs::path Resolve(const fs::path& rel) const {
        std::error_code ec;
        const fs::path target = fs::canonical(Root() / rel, ec);
        return ec ? fs::path() : target.lexically_relative(fs::canonical(Root()));
    }
    std::map<std::string, std::string> Attached() const {
        const IniDocument ini = IniDocument::Load(Sim() / "attached.ini");
        std::map<std::string, std::string> disks;
        for (const std::string& key : ini.KeyNames("Disks"))
            disks[key] = ini.GetString("Disks", key, "", 64);
        return disks;
    }

    // The checks that hold for any root, whatever was plugged: every link
    // relative and resolving, no temporary link left, a /dev node for every
    // disk, attached.ini naming exactly the attached drives at their places.
    void ExpectConsistent() const {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Root())) {
            const std::string name = entry.path().filename().string();
            EXPECT_FALSE(name.starts_with(".#")) << entry.path();
            if (!entry.is_symlink())
                continue;
            EXPECT_TRUE(fs::read_symlink(entry.path()).is_relative()) << entry.path();
            EXPECT_TRUE(fs::exists(entry.path())) << entry.path() << " dangles";
        }
        const std::map<std::string, std::string> usbName = {
            {"a", "1-2.1"}, {"b", "1-2.2"}, {"c", "1-2.3"}, {"d", "2-1.2"}};
        std::map<std::string, std::string> expected;
        for (const fs::directory_entry& entry : fs::directory_iterator(Root() / "sys/block")) {
            const std::string disk = entry.path().filename().string();
            EXPECT_TRUE(fs::is_regular_file(Root() / "dev" / disk)) << disk;
            const std::string where = Resolve(entry.path().lexically_relative(Root())).string();
            for (const auto& [drive, usb] : usbName)
                if (where.find("/" + usb + "/") != std::string::npos)
                    expected[disk] = drive;
        }
        EXPECT_EQ(Attached(), expected);
    }

    test::TempDir dir_;
    StationDescription station_;
};

TEST(ScsiDiskName, CountsInLettersAsTheKernelDoes) {
    const std::pair<int, const char*> cases[] = {{0, "sda"},   {25, "sdz"},   {26, "sdaa"},
                                                 {51, "sdaz"}, {701, "sdzz"}, {702, "sdaaa"}};
    for (const auto& [index, name] : cases)
        EXPECT_EQ(ScsiDiskName(index), name) << index;
}

TEST_F(DeviceRootTest, AttributesAreTheKernels) {
    // Paths through sys/bus/usb/devices and sys/class/block, as a reader
    // finds them; a uevent is checked for the lines it must contain.
    const std::pair<const char*, const char*> cases[] = {
        {"sys/bus/usb/devices/usb1/devpath", "0"},
        {"sys/bus/usb/devices/usb1/idVendor", "1d6b"},
        {"sys/bus/usb/devices/usb1/idProduct", "0002"},
        {"sys/bus/usb/devices/usb1/serial", "0000:00:14.0"},
        {"sys/bus/usb/devices/usb1/maxchild", "4"},
        {"sys/bus/usb/devices/usb1/bDeviceClass", "09"},
        {"sys/bus/usb/devices/usb2/idProduct", "0003"},
        {"sys/bus/usb/devices/usb2/speed", "5000"},
        {"sys/bus/usb/devices/usb2/maxchild", "2"},
        {"sys/bus/usb/devices/1-1/idProduct", "2817"},
        {"sys/bus/usb/devices/1-1/speed", "480"},
        {"sys/bus/usb/devices/2-1/idVendor", "2109"},
        {"sys/bus/usb/devices/2-1/idProduct", "0817"},
        {"sys/bus/usb/devices/2-1/busnum", "2"},
        {"sys/bus/usb/devices/1-2/devpath", "2"},
        {"sys/bus/usb/devices/1-2/maxchild", "4"},
        {"sys/bus/usb/devices/1-2/bDeviceClass", "09"},
        {"sys/bus/usb/devices/1-2:1.0/bInterfaceClass", "09"},
        {"sys/bus/usb/devices/1-2.1/devpath", "2.1"},
        {"sys/bus/usb/devices/1-2.1/busnum", "1"},
        {"sys/bus/usb/devices/1-2.1/maxchild", "0"},
        {"sys/bus/usb/devices/1-2.1/bDeviceClass", "00"},
        {"sys/bus/usb/devices/1-2.1/idVendor", "1e4e"},
        {"sys/bus/usb/devices/1-2.1/version", " 2.10"},
        {"sys/bus/usb/devices/1-2.1/serial", "A1"},
        {"sys/bus/usb/devices/1-2.1/uevent", "DEVTYPE=usb_device\n"},
        {"sys/bus/usb/devices/1-2.1/uevent", "BUSNUM=001\nDEVNUM=005\n"},
        {"sys/bus/usb/devices/1-2.1:1.0/bInterfaceClass", "08"},
        {"sys/bus/usb/devices/1-2.1:1.0/uevent", "DEVTYPE=usb_interface\nDRIVER=usb-storage\n"},
        {"sys/bus/usb/devices/2-1.2/devpath", "1.2"},
        {"sys/bus/usb/devices/2-1.2/speed", "5000"},
        {"sys/class/block/sda/dev", "8:0"},
        {"sys/class/block/sda/removable", "0"},
        {"sys/class/block/sda2/partition", "2"},
        {"sys/class/block/sda2/uevent", "DEVTYPE=partition\n"},
        {"sys/class/block/sdc/dev", "8:32"},
        {"sys/class/block/sdc/uevent", "MAJOR=8\nMINOR=32\nDEVNAME=sdc\nDEVTYPE=disk\n"},
        {"sys/class/block/sdc/queue/logical_block_size", "512"},
        {"sys/class/block/sdb/removable", "1"},
        {"sys/class/block/sdc/device/vendor", "VARNET  "},
        {"sys/class/block/sdc/device/model", "SSD Bridge      "},
        {"sys/class/block/sdc/device/uevent", "DEVTYPE=scsi_device\n"},
        {"sys/class/block/nvme0n1/dev", "259:0"},
        {"sys/bus/pci/devices/0000:00:14.0/class", "0x0c0330"},
        {"sys/bus/pci/devices/0000:00:14.0/uevent", "PCI_SLOT_NAME=0000:00:14.0\n"},
    };
    for (const auto& [path, expected] : cases) {
        if (fs::path(path).filename() == "uevent")
            EXPECT_NE(test::ReadText(Root() / path).find(expected), std::string::npos) << path << ":\n"
                                                                                       << Attr(path);
        else
            EXPECT_EQ(Attr(path), expected) << path;
    }
    EXPECT_EQ(Attr("sys/class/block/sdc/size"), std::to_string(SectorsForGigabytes(256)));
    EXPECT_EQ(Attr("sys/class/block/sdb/size"), std::to_string(SectorsForGigabytes(32)));
    EXPECT_FALSE(Exists("sys/bus/usb/devices/1-2.3/serial")); // that bridge has none
    EXPECT_FALSE(Exists("sys/bus/usb/devices/1-2.2"));        // left out
    ExpectConsistent();
}

TEST_F(DeviceRootTest, LinksLeadToTheKernelsPlaces) {
    const fs::path drive = kXhci / "usb1/1-2/1-2.1";
    const std::pair<const char*, fs::path> cases[] = {
        {"sys/bus/usb/devices/1-2.1", drive},
        {"sys/bus/usb/devices/1-2.1:1.0", drive / "1-2.1:1.0"},
        {"sys/block/sdc", drive / "1-2.1:1.0/host2/target2:0:0/2:0:0:0/block/sdc"},
        {"sys/class/block/sdc/device", drive / "1-2.1:1.0/host2/target2:0:0/2:0:0:0"},
        {"sys/dev/block/8:32", drive / "1-2.1:1.0/host2/target2:0:0/2:0:0:0/block/sdc"},
        {"sys/bus/usb/devices/1-2.1/port", kXhci / "usb1/1-2/1-2:1.0/1-2-port1"},
        {"sys/bus/usb/devices/1-2:1.0/1-2-port1/device", drive},
        {"sys/bus/usb/devices/1-2/port", kXhci / "usb1/1-0:1.0/usb1-port2"},
        {"sys/bus/usb/devices/2-1.2", kXhci / "usb2/2-1/2-1.2"},
        {"sys/block/sda", kXhci.parent_path() / "0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda"},
        {"sys/class/block/sda1",
         kXhci.parent_path() / "0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda1"},
        {"sys/block/nvme0n1", kXhci.parent_path() / "0000:00:1c.0/0000:01:00.0/nvme/nvme0/nvme0n1"},
        {"sys/class/block/sdc/subsystem", "sys/class/block"},
        {"sys/bus/usb/devices/1-2.1/subsystem", "sys/bus/usb"},
        // The two halves of the USB 3 hub and of the controller pair their ports.
        {"sys/bus/usb/devices/1-1:1.0/1-1-port2/peer", kXhci / "usb2/2-1/2-1:1.0/2-1-port2"},
        {"sys/bus/usb/devices/2-1:1.0/2-1-port2/peer", kXhci / "usb1/1-1/1-1:1.0/1-1-port2"},
        {"sys/bus/usb/devices/1-0:1.0/usb1-port1/peer", kXhci / "usb2/2-0:1.0/usb2-port1"},
        // udev's names.
        {"dev/disk/by-id/usb-VARNET_SSD_Bridge_A1-0:0", "dev/sdc"},
        {"dev/disk/by-id/usb-VARNET_SSD_Bridge_D_4-0:0", "dev/sde"},
        {"dev/disk/by-id/usb-Generic-_SD_MMC_CR1-0:0-part1", "dev/sdb1"},
        {"dev/disk/by-path/pci-0000:00:14.0-usb-0:2.3:1.0-scsi-0:0:0:0", "dev/sdd"},
        {"dev/disk/by-path/pci-0000:00:14.0-usb-0:1.2:1.0-scsi-0:0:0:0", "dev/sde"},
        {"dev/disk/by-id/ata-Station_SSD_S1-part2", "dev/sda2"},
        {"dev/disk/by-path/pci-0000:00:17.0-ata-1", "dev/sda"},
        {"dev/disk/by-id/nvme-Data_Disk_N1", "dev/nvme0n1"},
        {"dev/disk/by-path/pci-0000:01:00.0-nvme-1-part1", "dev/nvme0n1p1"},
    };
    for (const auto& [link, target] : cases)
        EXPECT_EQ(Resolve(link), target) << link;
    EXPECT_EQ(fs::read_symlink(Root() / "dev/disk/by-id/usb-VARNET_SSD_Bridge_A1-0:0"), "../../sdc");
    EXPECT_FALSE(Exists("sys/bus/usb/devices/1-0:1.0/usb1-port3/peer")); // no SuperSpeed port 3

    // By identity only with a bridge serial: c has none.
    for (const fs::directory_entry& entry : fs::directory_iterator(Root() / "dev/disk/by-id"))
        EXPECT_NE(fs::read_symlink(entry.path()).filename(), "sdd") << entry.path();
}

TEST_F(DeviceRootTest, MountsAndSwapNameTheDisksNumbers) {
    std::map<std::string, std::string> mounts; // mount point -> major:minor
    std::istringstream info(test::ReadText(Root() / "proc/self/mountinfo"));
    for (std::string line; std::getline(info, line);) {
        std::istringstream fields(line);
        std::string id, parent, dev, root, point;
        fields >> id >> parent >> dev >> root >> point;
        mounts[point] = dev;
    }
    EXPECT_EQ(mounts["/"], Attr("sys/class/block/sda1/dev"));
    EXPECT_EQ(mounts["/srv/line\\040data"], Attr("sys/class/block/nvme0n1p1/dev"));
    EXPECT_EQ(mounts["/media/op/CARD"], Attr("sys/class/block/sdb1/dev"));
    EXPECT_EQ(mounts["/sys"], "0:20");

    std::istringstream swaps(test::ReadText(Root() / "proc/swaps"));
    std::string header, file, type;
    std::getline(swaps, header);
    swaps >> file >> type;
    EXPECT_TRUE(header.starts_with("Filename"));
    EXPECT_EQ(file, "/dev/sda2");
    EXPECT_EQ(type, "partition");
}

TEST_F(DeviceRootTest, PlugTakesTheLowestFreeNames) {
    // The system disk is sda; the card reader attaches before the drives; b
    // is left out, so the drives take sdc, sdd, sde.
    EXPECT_EQ(Attached(), (std::map<std::string, std::string>{{"sdc", "a"}, {"sdd", "c"}, {"sde", "d"}}));

    ASSERT_TRUE(Unplug("a").ok());
    EXPECT_FALSE(Exists("sys/block/sdc"));
    ExpectConsistent();

    ASSERT_TRUE(Plug("b").ok());
    EXPECT_EQ(Resolve("sys/block/sdc"),
              kXhci / "usb1/1-2/1-2.2/1-2.2:1.0/host2/target2:0:0/2:0:0:0/block/sdc");
    EXPECT_EQ(Attr("sys/bus/usb/devices/1-2.2/devnum"), "7"); // after the highest in use on bus 1
    ExpectConsistent();

    ASSERT_TRUE(Plug("a").ok());
    EXPECT_EQ(Attached()["sdf"], "a");
    EXPECT_EQ(Attr("sys/bus/usb/devices/1-2.1/devnum"), "8");
    ASSERT_TRUE(Unplug("a").ok());
    ASSERT_TRUE(Plug("a").ok());
    EXPECT_EQ(Attached()["sdf"], "a");
    ExpectConsistent();
}

TEST_F(DeviceRootTest, UnplugTakesEveryTraceAway) {
    ASSERT_TRUE(Unplug("a").ok());
    for (const char* gone : {"sys/bus/usb/devices/1-2.1", "sys/bus/usb/devices/1-2.1:1.0",
                             "sys/bus/usb/devices/1-2:1.0/1-2-port1/device", "sys/bus/scsi/devices/host2",
                             "sys/class/scsi_host/host2", "sys/class/block/sdc", "sys/dev/block/8:32",
                             "dev/sdc", "dev/disk/by-id/usb-VARNET_SSD_Bridge_A1-0:0",
                             "dev/disk/by-path/pci-0000:00:14.0-usb-0:2.1:1.0-scsi-0:0:0:0"})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(Exists("sys/bus/usb/devices/1-2:1.0/1-2-port1")); // the hub's port stays

    // The card reader's mount goes with it.
    ASSERT_TRUE(Unplug("reader").ok());
    EXPECT_EQ(test::ReadText(Root() / "proc/self/mountinfo").find("/media/op/CARD"), std::string::npos);
    ExpectConsistent();
}

TEST_F(DeviceRootTest, AFolderGoesWithItsLastLink) {
    Write("usb-controller xhci pci=0000:00:14.0 ports=2\ndrive solo at=xhci:1 usb-serial=S9\n");
    ASSERT_TRUE(Unplug("solo").ok());
    EXPECT_FALSE(Exists("dev/disk/by-id"));
    EXPECT_FALSE(Exists("dev/disk/by-path"));
    EXPECT_TRUE(Exists("dev/disk"));
    ASSERT_TRUE(Plug("solo").ok());
    EXPECT_EQ(Resolve("dev/disk/by-id/usb-VARNET_SSD_Bridge_S9-0:0"), "dev/sda");
}

// What one inotify instance saw, in order, as "<watched folder>: <event> <name>".
class Watcher {
public:
    Watcher() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~Watcher() { close(fd_); }
    void Watch(const fs::path& dir, const std::string& label, uint32_t mask) {
        labels_[inotify_add_watch(fd_, dir.c_str(), mask)] = label;
    }
    std::vector<std::string> Events() {
        std::vector<std::string> events;
        alignas(inotify_event) char buffer[16384];
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                const char* kind = e->mask & IN_CREATE       ? "create"
                                   : e->mask & IN_MOVED_TO   ? "moved-to"
                                   : e->mask & IN_MOVED_FROM ? "moved-from"
                                   : e->mask & IN_DELETE     ? "delete"
                                                             : "other";
                events.push_back(labels_[e->wd] + ": " + kind + " " + (e->len ? e->name : ""));
                p += sizeof(inotify_event) + e->len;
            }
        }
        return events;
    }

private:
    int fd_;
    std::map<int, std::string> labels_;
};

size_t IndexOf(const std::vector<std::string>& events, std::string_view prefix) {
    const auto found = std::find_if(events.begin(), events.end(),
                                    [&](const std::string& e) { return e.starts_with(prefix); });
    return static_cast<size_t>(found - events.begin());
}

TEST_F(DeviceRootTest, PlugAndUnplugUnfoldAsUdevShowsThem) {
    Watcher watcher;
    const uint32_t mask = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
    watcher.Watch(Root() / "sys/block", "block", mask);
    watcher.Watch(Root() / "dev/disk/by-id", "by-id", mask);
    watcher.Watch(Sim(), "sim", mask);

    // b takes sdf (a, c and d hold sdc to sde). The sysfs entries come
    // first, then the device library learns the name, then udev's link.
    ASSERT_TRUE(Plug("b").ok());
    std::vector<std::string> events = watcher.Events();
    const std::string link = "usb-VARNET_SSD_Bridge_B2-0:0";
    const size_t sysfs = IndexOf(events, "block: create sdf");
    const size_t attached = IndexOf(events, "sim: moved-to attached.ini");
    const size_t temporary = IndexOf(events, "by-id: create .#" + link);
    const size_t renamed = IndexOf(events, "by-id: moved-to " + link);
    ASSERT_LT(renamed, events.size()) << testing::PrintToString(events);
    EXPECT_LT(sysfs, attached);
    EXPECT_LT(attached, temporary);
    EXPECT_LT(temporary, renamed);
    EXPECT_EQ(IndexOf(events, "by-id: create " + link), events.size()); // never made in place
    ExpectConsistent();

    // The other way round: a watcher woken by the link's removal finds the
    // disk gone from sysfs already.
    ASSERT_TRUE(Unplug("b").ok());
    events = watcher.Events();
    const size_t removed = IndexOf(events, "block: delete sdf");
    const size_t forgotten = IndexOf(events, "sim: moved-to attached.ini");
    const size_t unlinked = IndexOf(events, "by-id: delete " + link);
    ASSERT_LT(unlinked, events.size()) << testing::PrintToString(events);
    EXPECT_LT(removed, forgotten);
    EXPECT_LT(forgotten, unlinked);
}

TEST_F(DeviceRootTest, RefusalsChangeNothing) {
    const std::map<std::string, std::string> before = Snapshot(Root());
    const std::string attached = test::ReadText(Sim() / "attached.ini");
    struct Case {
        bool plug;
        const char* name;
        const char* error;
    };
    const Case cases[] = {
        {true, "a", "drive 'a' is already plugged"},
        {false, "b", "drive 'b' is not plugged"},
        {true, "nobody", "the description has no drive named 'nobody'"},
        {false, "system", "'system' is a disk of the station computer"},
    };
    for (const Case& c : cases) {
        const Status status = c.plug ? Plug(c.name) : Unplug(c.name);
        ASSERT_FALSE(status.ok()) << c.name;
        EXPECT_NE(status.message().find(c.error), std::string::npos) << status.message();
    }
    EXPECT_EQ(Snapshot(Root()), before);
    EXPECT_EQ(test::ReadText(Sim() / "attached.ini"), attached);

    const Status noRoot = PlugDrive(station_, dir_ / "nowhere", Sim(), "b");
    EXPECT_NE(noRoot.message().find("holds no device root"), std::string::npos) << noRoot.message();
}

TEST_F(DeviceRootTest, RewritingStartsAfresh) {
    const std::map<std::string, std::string> first = Snapshot(Root());
    const std::map<std::string, std::string> attached = Attached();
    ASSERT_TRUE(Unplug("a").ok());
    ASSERT_TRUE(Plug("b").ok());
    ASSERT_TRUE(WriteDeviceRoot(station_, Root(), Sim()).ok());
    EXPECT_EQ(Snapshot(Root()), first);
    EXPECT_EQ(Attached(), attached);
}

TEST_F(DeviceRootTest, AFolderThatIsNoRootIsLeftAlone) {
    test::WriteText(Root() / "notes.txt", "keep me");
    const Status status = WriteDeviceRoot(station_, Root(), Sim());
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.message().find("notes.txt"), std::string::npos) << status.message();
    EXPECT_EQ(test::ReadText(Root() / "notes.txt"), "keep me");
    EXPECT_TRUE(Exists("sys/block/sda"));
}

TEST_F(DeviceRootTest, OtherSectionsOfAttachedIniSurvive) {
    test::WriteText(Sim() / "attached.ini", "[Drives]\r\nkept=1\r\n[Disks]\r\nsdz=stale\r\n");
    ASSERT_TRUE(WriteDeviceRoot(station_, Root(), Sim()).ok());
    EXPECT_EQ(IniDocument::Load(Sim() / "attached.ini").GetString("Drives", "kept", "", 8), "1");
    EXPECT_EQ(Attached().count("sdz"), 0u);
}

} // namespace
} // namespace varnet::sim
