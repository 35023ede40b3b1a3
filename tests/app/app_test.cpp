// The program's options and the headless station overview.
#include "app/command_line.h"
#include "app/station_overview.h"
#include "platform/text.h"
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

// Names and settings are bytes in whatever encoding they were typed in, and
// a damaged selection reads as station 0 in the record: the listing prints
// UTF-8 only and calls the selection invalid, as Start judges it.
TEST(StationOverview, PrintsValidUtf8AndCallsADamagedSelectionInvalid) {
    test::TempDir scratch;
    const std::filesystem::path dir = scratch / "line\xff\xfe";
    std::filesystem::create_directories(dir / "Bin");
    test::WriteText(dir / "FlashInfo.dat", "");
    test::WriteText(dir / "Bin/SB_ISP_Ram.BIN", "");
    test::WriteText(dir / "a\xff.ini", "[General Info]\r\nTestStationSel=banana\r\nModelName=AB\xff\xfe"
                                       "C\r\n[SN Set]\r\nSN_Start=S\xc3(1\r\n");
    test::WriteText(dir / "b.ini", "[General Info]\r\nTestStationSel=3\r\nTestStation=F\xe2\x82\r\n");
    int code = 1;
    const std::string text = Overview(dir, code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ValidUtf8(text), text) << text;
    const std::string bad = "\xEF\xBF\xBD";
    for (const std::string& shown :
         {"line" + bad + bad + "\n", "\na" + bad + ".ini\n", "model     AB" + bad + bad + "C,",
          "serial numbers S" + bad + "(1 ..", "\nb.ini\n  station   04_MP (F" + bad + bad + ")\n"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    const size_t first = text.find("\na" + bad + ".ini\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.substr(text.find('\n', first + 1) + 1, 29), "  station   invalid: TestStat") << text;
    EXPECT_EQ(text.find("01_EraseAll"), std::string::npos) << text;
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
