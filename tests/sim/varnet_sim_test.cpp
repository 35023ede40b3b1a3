// The varnet-sim tool as an operator runs it (the built executable, found
// through VARNET_BINARY_DIR), and the demo station's description.
#include "platform/ini_document.h"
#include "station_description.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace varnet::sim {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int code = -1;
    std::string errors;
};

class VarnetSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binary = std::getenv("VARNET_BINARY_DIR");
        if (!binary)
            GTEST_SKIP() << "VARNET_BINARY_DIR is not set";
        tool_ = fs::path(binary) / "sim" / "varnet-sim";
        station_ = dir_ / "station";
    }

    ToolRun Tool(const std::string& arguments) const {
        const fs::path errors = dir_ / "stderr.txt";
        const std::string command = tool_.string() + " " + arguments + " > /dev/null 2> " + errors.string();
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadText(errors)};
    }
    std::set<std::string> AttachedDrives() const {
        const IniDocument ini = IniDocument::Load(station_ / "Sim/attached.ini");
        std::set<std::string> drives;
        for (const std::string& key : ini.KeyNames("Disks"))
            drives.insert(ini.GetString("Disks", key, "", 64));
        return drives;
    }

    test::TempDir dir_;
    fs::path tool_;
    fs::path station_;
};

TEST_F(VarnetSimTest, DemoWritesAWholeStation) {
    const ToolRun run = Tool("demo " + station_.string());
    ASSERT_EQ(run.code, 0) << run.errors;
    for (const char* file :
         {"FlashInfo.dat", "Bin/SB_ISP_Ram.BIN", "Bin/ISP_FW.ini", "Bin/VN3C0620_MP_BICS3.bin",
          "01_EraseAll.ini", "02_RDT.ini", "03_RDTResult.ini", "04_MP.ini", "05_ReMP.ini", "06_ICT.ini",
          "07_UpdateFW.ini", "08_ScanBad.ini", "MES_DLL.so", "Sim/station.txt", "Sim/attached.ini",
          "Sim/root/proc/self/mountinfo", "Sim/root/proc/swaps", "Sim/root/sys/block/sda/dev"})
        EXPECT_TRUE(fs::is_regular_file(station_ / file)) << file;
    for (const char* folder : {"Config", "Log"})
        EXPECT_TRUE(fs::is_directory(station_ / folder)) << folder;
    EXPECT_EQ(fs::exists(station_ / "MP_API.so"), fs::exists(tool_.parent_path() / "MP_API.so"));
    EXPECT_EQ(test::ReadText(station_ / "Sim/station.txt"),
              test::ReadText(test::SourceDir() / "demo/station.txt"));

    std::set<std::string> expected = {"backup"};
    for (int socket = 1; socket <= 24; ++socket)
        expected.insert(std::to_string(socket));
    EXPECT_EQ(AttachedDrives(), expected);
    EXPECT_NE(test::ReadText(station_ / "Sim/root/proc/self/mountinfo").find(" /home "), std::string::npos);
}

// The demo's drives take the time of a line's calls; --instant writes the
// same station with calls that take none, for tests and benchmarks.
TEST_F(VarnetSimTest, TheDemoPacesItsCallsLikeALineUnlessInstant) {
    const auto callTimes = [&](const fs::path& station) {
        sim::StationDescription description;
        EXPECT_TRUE(sim::LoadStationDescription(station / "Sim/station.txt", description).ok());
        std::map<std::string, int> times;
        for (const sim::SimDisk& disk : description.disks)
            if (disk.kind == sim::DiskKind::UsbDrive && disk.name != "backup")
                times[disk.name] = disk.callMs;
        return times;
    };
    ASSERT_EQ(Tool("demo " + station_.string()).code, 0);
    const fs::path instant = dir_ / "instant";
    ASSERT_EQ(Tool("demo --instant " + instant.string()).code, 0);

    const std::map<std::string, int> line = callTimes(station_);
    const std::map<std::string, int> none = callTimes(instant);
    ASSERT_EQ(line.size(), 24u);
    ASSERT_EQ(none.size(), 24u);
    for (const auto& [drive, ms] : line) {
        EXPECT_GE(ms, 1000) << drive;
        EXPECT_LE(ms, 3000) << drive; // a whole demo run stays within a minute
        EXPECT_EQ(none.at(drive), 0) << drive;
    }
    EXPECT_EQ(test::ReadText(instant / "04_MP.ini"), test::ReadText(station_ / "04_MP.ini"));
}

TEST_F(VarnetSimTest, ARerunKeepsTheOperatorsFilesAndRenewsTheRest) {
    ASSERT_EQ(Tool("demo " + station_.string()).code, 0);
    test::WriteText(station_ / "04_MP.ini", "edited by the operator\n");
    test::WriteText(station_ / "FlashInfo.dat", "");
    test::WriteText(station_ / "Sim/station.txt",
                    test::ReadText(station_ / "Sim/station.txt") + "drive 25 at=xhci:7 usb-serial=X25\n");
    ASSERT_EQ(Tool("unplug " + station_.string() + " 5").code, 0);

    const ToolRun run = Tool("demo " + station_.string());
    ASSERT_EQ(run.code, 0) << run.errors;
    EXPECT_EQ(test::ReadText(station_ / "04_MP.ini"), "edited by the operator\n");
    EXPECT_GT(fs::file_size(station_ / "FlashInfo.dat"), 0u);
    // The root follows the folder's own description, all drives attached.
    const std::set<std::string> drives = AttachedDrives();
    EXPECT_EQ(drives.count("25"), 1u);
    EXPECT_EQ(drives.count("5"), 1u);
}

TEST_F(VarnetSimTest, PlugUnplugAndTheirErrors) {
    ASSERT_EQ(Tool("demo " + station_.string()).code, 0);
    const std::string folder = station_.string();
    EXPECT_EQ(Tool("unplug " + folder + " 7").code, 0);
    EXPECT_EQ(AttachedDrives().count("7"), 0u);

    ToolRun run = Tool("unplug " + folder + " 7");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.errors.find("drive '7' is not plugged"), std::string::npos) << run.errors;
    EXPECT_EQ(Tool("plug " + folder + " 7").code, 0);
    EXPECT_EQ(AttachedDrives().count("7"), 1u);
    run = Tool("plug " + folder + " 99");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.errors.find("no drive named '99'"), std::string::npos) << run.errors;
    run = Tool("plug " + (dir_ / "elsewhere").string() + " 7");
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.errors.find("station description"), std::string::npos) << run.errors;

    for (const std::string& bad : {std::string(), "plug " + folder, std::string("demo"),
                                   std::string("unplug a b c"), std::string("explode folder")}) {
        run = Tool(bad);
        EXPECT_EQ(run.code, 2) << bad;
        EXPECT_NE(run.errors.find("usage: varnet-sim"), std::string::npos) << bad;
    }
}

TEST_F(VarnetSimTest, RootWritesOnlyARoot) {
    const fs::path description = dir_ / "station.txt";
    test::WriteText(description, "usb-controller xhci pci=0000:00:14.0 ports=2\ndrive 1 at=xhci:1\n");
    ToolRun run = Tool("root " + description.string() + " " + (dir_ / "root").string());
    ASSERT_EQ(run.code, 0) << run.errors;
    EXPECT_TRUE(fs::exists(dir_ / "root/sys/block/sda/dev"));
    EXPECT_FALSE(fs::exists(dir_ / "attached.ini"));

    test::WriteText(description, "drive 1 at=nowhere:1\n");
    run = Tool("root " + description.string() + " " + (dir_ / "root").string());
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.errors.find("line 1: no controller or hub is named 'nowhere'"), std::string::npos)
        << run.errors;
}

// The demo's sockets as its comment and the station files promise them.
TEST(DemoStation, DrivesSitInSocketOrder) {
    StationDescription s;
    const Status loaded = LoadStationDescription(test::SourceDir() / "demo/station.txt", s);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    for (int socket = 1; socket <= 24; ++socket) {
        const SimDisk* d = s.FindDisk(std::to_string(socket));
        ASSERT_NE(d, nullptr) << socket;
        const std::string hub = socket <= 16   ? "box-" + std::to_string((socket - 1) / 4 + 1)
                                : socket <= 20 ? "hub-5"
                                               : "hub-6";
        EXPECT_EQ(d->parent, hub) << socket;
        EXPECT_EQ(d->port, (socket - 1) % 4 + 1) << socket;
        EXPECT_FALSE(d->unplugged) << socket;
    }
    const SimDisk* backup = s.FindDisk("backup");
    ASSERT_NE(backup, nullptr);
    EXPECT_EQ(backup->mount, "/home");
}

} // namespace
} // namespace varnet::sim
