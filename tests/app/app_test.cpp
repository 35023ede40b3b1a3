// The program's options and the headless station overview.
#include "app/command_line.h"
#include "app/station_overview.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace varnet {
namespace {

TEST(CommandLine, OptionsAndErrors) {
    std::string error;
    auto line =
        ParseCommandLine({"--headless", "--dir", "/srv/station", "--device-root", "/tmp/root"}, error);
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->headless);
    EXPECT_EQ(line->dir, "/srv/station");
    EXPECT_EQ(line->deviceRoot, "/tmp/root");
    EXPECT_FALSE(ParseCommandLine({"--dir"}, error));
    EXPECT_EQ(error, "--dir needs a folder");
    EXPECT_FALSE(ParseCommandLine({"--fast"}, error));
    EXPECT_EQ(error, "unknown option --fast");
    line = ParseCommandLine({}, error);
    ASSERT_TRUE(line);
    EXPECT_FALSE(line->headless);
}

std::string Overview(const std::filesystem::path& dir, int& code) {
    std::FILE* out = std::tmpfile();
    code = PrintStationOverview(dir, out);
    std::rewind(out);
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        text.append(buffer, n);
    std::fclose(out);
    return text;
}

TEST(StationOverview, StopsAtTheFirstMissingRequiredFile) {
    test::TempDir dir;
    int code = 0;
    EXPECT_EQ(Overview(dir.path(), code), "FlashInfo.dat is Missing!\n");
    EXPECT_EQ(code, 1);
    test::WriteText(dir / "FlashInfo.dat", "");
    EXPECT_EQ(Overview(dir.path(), code), "Customer BIN is Missing!\n");
    EXPECT_EQ(code, 1);
}

TEST(StationOverview, DemoStationListsEveryStation) {
    const char* binary = std::getenv("VARNET_BINARY_DIR");
    if (!binary)
        GTEST_SKIP() << "run through ctest";
    test::TempDir dir;
    const std::string command =
        std::string(binary) + "/sim/varnet-sim demo --instant " + dir.path().string() + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int code = 1;
    const std::string text = Overview(dir.path(), code);
    EXPECT_EQ(code, 0);
    for (const char* station : {"01_EraseAll (F1)", "02_RDT (PreF1)", "03_RDTResult (PreF1)", "04_MP (F1)",
                                "05_ReMP (F1)", "06_ICT (CSB)", "07_UpdateFW (F1)", "08_ScanBad (PreF1)"})
        EXPECT_NE(text.find(station), std::string::npos) << station << "\n" << text;
    EXPECT_NE(text.find("customer record  valid"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Log"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Config"));
}

} // namespace
} // namespace varnet
