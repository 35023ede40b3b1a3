// Start-up of the station as the window and the headless runner go through
// it: what it clears away before the page opens.
#include "config/startup_files.h"
#include "engine/station_startup.h"
#include "platform/diagnostic_log.h"
#include "station_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace varnet::test {
namespace {

namespace fs = std::filesystem;

// Writes of our own files cut short by a kill leave ".<name>.XXXXXX" beside
// their target: start-up removes those older than a minute in the program
// folder, Config/ and the day's log folder, and leaves a fresh one (a write
// of another instance may still be under way) and everything else alone.
TEST(StationStartup, RemovesLeftoverTemporaryFilesOfOurWritesOlderThanAMinute) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    TempDir dir;
    const fs::path day = dir / "Log" / LogDateFolderNow();
    fs::create_directories(dir / "Bin");
    fs::create_directories(dir / "Config");
    fs::create_directories(day);
    WriteText(dir / "FlashInfo.dat", "");
    WriteText(dir / "Bin/SB_ISP_Ram.BIN", "");
    WriteText(dir / "Config/VarnetTool.ini", "[Library]\nIsolation=InProcess\n");

    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    const fs::path leftovers[] = {dir / ".04_MP.ini.Ab12Cd", dir / "Config/.ScanSN.DAT.x1Y2z3",
                                  day / ".varnettool.log.QwErTy"};
    for (const fs::path& file : leftovers) {
        WriteText(file, "cut short");
        fs::last_write_time(file, old);
    }
    const fs::path fresh = dir / "Config/.ScanSN.DAT.9aB8cD";
    WriteText(fresh, "still being written");
    const fs::path notOurs = dir / "Config/ScanSN.DAT.ABCDEF";
    WriteText(notOurs, "a user's copy");
    fs::last_write_time(notOurs, old);

    RecordingPageView view;
    StationStartOptions options;
    options.appDir = dir.path() / "";
    options.deviceRoot = dir.path();
    options.view = &view;
    options.library = fs::path(binary) / "sim/MP_API.so";
    std::string fatal, detail;
    std::unique_ptr<Station> station = StartStation(options, fatal, detail);
    ASSERT_TRUE(station) << fatal << " " << detail;

    for (const fs::path& file : leftovers)
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(notOurs));
    ShutdownStation(*station);
    CloseDiagnosticLog();
}

// A [Library] value that fell back to its default is not only logged: the
// operator sees it once, through the page's message box.
TEST(StationStartup, AnUnusableLibrarySettingIsShownToTheOperatorOnce) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    TempDir dir;
    fs::create_directories(dir / "Bin");
    fs::create_directories(dir / "Config");
    WriteText(dir / "FlashInfo.dat", "");
    WriteText(dir / "Bin/SB_ISP_Ram.BIN", "");
    WriteText(dir / "Config/VarnetTool.ini", "[Library]\nIsolation=InProcess\nCallTimeoutSeconds=-5\n");

    RecordingPageView view;
    StationStartOptions options;
    options.appDir = dir.path() / "";
    options.deviceRoot = dir.path();
    options.view = &view;
    options.library = fs::path(binary) / "sim/MP_API.so";
    std::string fatal, detail;
    std::unique_ptr<Station> station = StartStation(options, fatal, detail);
    ASSERT_TRUE(station) << fatal << " " << detail;
    EXPECT_EQ(station->librarySettings.callTimeout, std::chrono::seconds(14400));
    ShutdownStation(*station);
    CloseDiagnosticLog();

    const std::string notice =
        "Config/VarnetTool.ini: [Library] CallTimeoutSeconds=-5 cannot be used; the default 14400 s is taken";
    std::lock_guard lock(view.mutex);
    EXPECT_EQ(std::count(view.messages.begin(), view.messages.end(), notice), 1);
    const std::string log = ReadText(DiagnosticLogFile(dir.path(), LogDateFolderNow()));
    EXPECT_NE(log.find(notice), std::string::npos) << log;
}

} // namespace
} // namespace varnet::test
