// Which station folder the program works in, and what it remembers of it.
#include "config/station_folder.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

namespace varnet {
namespace {

namespace fs = std::filesystem;

void MakeStation(const fs::path& folder) {
    fs::create_directories(folder);
    test::WriteText(folder / "FlashInfo.dat", std::string(400, '\0'));
}

TEST(StationFolder, TheOptionThenTheExecutablesFolderThenTheRememberedOne) {
    test::TempDir dir;
    const fs::path exe = dir.path() / "bin", config = dir.path() / "config", line = dir.path() / "line";
    fs::create_directories(exe);
    MakeStation(line);

    // Nothing known: the window asks, the headless runner gives up.
    EXPECT_EQ(FindStationFolder("", exe, config).source, FolderSource::kNone);
    EXPECT_EQ(FindStationFolder("", exe, "").source, FolderSource::kNone);

    ASSERT_TRUE(RememberStationFolder(line, config).ok());
    StationFolder found = FindStationFolder("", exe, config);
    EXPECT_EQ(found.source, FolderSource::kRemembered);
    EXPECT_EQ(found.path, line);

    // A portable install: the station beside the program comes first.
    MakeStation(exe);
    found = FindStationFolder("", exe, config);
    EXPECT_EQ(found.source, FolderSource::kExecutable);
    EXPECT_EQ(found.path, exe);

    // --dir over everything, made absolute, whether it holds a station or not
    // (start-up then says what is missing).
    found = FindStationFolder(dir.path().string() + "/elsewhere/../other", exe, config);
    EXPECT_EQ(found.source, FolderSource::kCommandLine);
    EXPECT_EQ(found.path, dir.path() / "other");
}

TEST(StationFolder, ARememberedFolderThatHasGoneIsNoAnswer) {
    test::TempDir dir;
    const fs::path config = dir.path() / "config", line = dir.path() / "line";
    MakeStation(line);
    ASSERT_TRUE(RememberStationFolder(line, config).ok());
    fs::remove(line / "FlashInfo.dat");
    EXPECT_EQ(FindStationFolder("", dir.path() / "bin", config).source, FolderSource::kNone);
    // A relative path written by hand names no folder for sure.
    test::WriteText(RememberedFolderFile(config), "[Station]\nFolder=line\n");
    MakeStation(line);
    EXPECT_EQ(FindStationFolder("", dir.path() / "bin", config).source, FolderSource::kNone);
    EXPECT_FALSE(RememberStationFolder(line, "").ok());
}

TEST(StationFolder, ASimulatedStationBringsItsOwnDeviceRootAndTheDemoToolIsFoundWhereItIsInstalled) {
    test::TempDir dir;
    EXPECT_EQ(DefaultDeviceRoot(dir.path()), fs::path("/"));
    fs::create_directories(dir.path() / "Sim" / "root" / "sys");
    EXPECT_EQ(DefaultDeviceRoot(dir.path()), dir.path() / "Sim" / "root");

    const fs::path exe = dir.path() / "usr" / "bin";
    fs::create_directories(exe);
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    ::setenv("PATH", (dir.path() / "nowhere").c_str(), 1);
    EXPECT_FALSE(FindDemoTool(exe));
    // A build tree: the tool sits in sim/ beside the program's folder.
    fs::create_directories(dir.path() / "usr" / "sim");
    test::WriteText(dir.path() / "usr" / "sim" / "varnet-sim", "#!/bin/sh\n");
    ::chmod((dir.path() / "usr" / "sim" / "varnet-sim").c_str(), 0755);
    EXPECT_EQ(FindDemoTool(exe), dir.path() / "usr" / "sim" / "varnet-sim");
    // Installed: beside the program.
    test::WriteText(exe / "varnet-sim", "#!/bin/sh\n");
    EXPECT_EQ(FindDemoTool(exe), dir.path() / "usr" / "sim" / "varnet-sim") << "not executable: not a tool";
    ::chmod((exe / "varnet-sim").c_str(), 0755);
    EXPECT_EQ(FindDemoTool(exe), exe / "varnet-sim");
    ::setenv("PATH", saved.c_str(), 1);
}

} // namespace
} // namespace varnet
