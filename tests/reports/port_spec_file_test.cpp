// The per-port copy of the station configuration: a fresh copy every time,
// the twelve spec keys relaxed only when both flags ask for it, and a failure
// that leaves no stale copy behind.
#include "reports/port_spec_file.h"
#include "temp_dir.h"

#include "config/station_config.h"
#include "platform/ini_document.h"

#include <gtest/gtest.h>

#include <string>

namespace varnet {
namespace {

const std::string kStation = "[General Info]\r\nTestStationSel=2\r\n[Options]\r\nEarlyBad_Spec=40\r\n"
                             "LaterBad_Spec=10\r\nDDRSize=32\r\n[RDT]\r\nFailTotalLimitSel=6\r\n";

struct Station {
    test::TempDir dir;
    std::filesystem::path app = dir.path() / "app";
    std::filesystem::path config = app / "Config/Station_RDT.ini";
    std::filesystem::path port = app / "Config/INI_Port_3.ini";
    Station() {
        std::filesystem::create_directories(app / "Config");
        test::WriteText(config, kStation);
        test::WriteText(port, "[Options]\r\nEarlyBad_Spec=1\r\nStale=1\r\n");
    }
};

TEST(PortSpecFile, CopiesTheStationFileUnlessBothFlagsRelax) {
    for (const auto& [relaxA, relaxB] : {std::pair{false, false}, {true, false}, {false, true}}) {
        Station station;
        std::filesystem::path file;
        ASSERT_TRUE(MakePortSpecFile(station.app, station.config, 3, relaxA, relaxB, file).ok());
        EXPECT_EQ(file, station.port);
        EXPECT_EQ(test::ReadText(file), kStation);
    }
}

TEST(PortSpecFile, BothFlagsRelaxTheTwelveSpecKeys) {
    Station station;
    std::filesystem::path file;
    ASSERT_TRUE(MakePortSpecFile(station.app, station.config, 3, true, true, file).ok());
    const IniDocument spec = IniDocument::Load(file);
    for (const std::string_view key : kBadBlockSpecKeys)
        EXPECT_EQ(spec.GetString("Options", key, "", 64), "9999") << key;
    EXPECT_EQ(spec.GetString("Options", "DDRSize", "", 64), "32");
    EXPECT_EQ(spec.GetInt("RDT", "FailTotalLimitSel", 0), 6);
    EXPECT_FALSE(spec.Find("Options", "Stale"));
    EXPECT_EQ(test::ReadText(station.config), kStation);
}

TEST(PortSpecFile, FailedCopyLeavesNoStaleFile) {
    Station station;
    std::filesystem::remove(station.config);
    std::filesystem::path file;
    const Status status = MakePortSpecFile(station.app, station.config, 3, true, true, file);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("Station_RDT.ini"), std::string::npos) << status.message();
    EXPECT_FALSE(std::filesystem::exists(station.port));
}

TEST(PortSpecFile, MissingConfigFolderFails) {
    test::TempDir dir;
    test::WriteText(dir / "station.ini", kStation);
    std::filesystem::path file;
    EXPECT_FALSE(MakePortSpecFile(dir / "app", dir / "station.ini", 0, false, false, file).ok());
    EXPECT_EQ(file, dir / "app/Config/INI_Port_0.ini");
}

} // namespace
} // namespace varnet
