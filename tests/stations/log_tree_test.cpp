// Folders, time stamps, run and report names of the log tree, and finding a
// report again.
#include "stations/log_tree.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

TEST(LogTree, FoldersPerStation) {
    const std::filesystem::path app = "/srv/station";
    EXPECT_EQ(LogRoot(app), "/srv/station/Log/");
    EXPECT_EQ(DayFolder(app, "20261210"), "/srv/station/Log/20261210/");
    const char* expected[] = {"01_EraseAll", "02_RDT", "03_RDTResult", "04_MP", "05_ReMP", "06_ICT"};
    for (int station = 0; station < 6; ++station)
        EXPECT_EQ(StationLogFolder(app, "20261210", station),
                  std::filesystem::path("/srv/station/Log/20261210") / expected[station] / "");
    EXPECT_EQ(StationLogFolder(app, "20261210", 6), std::nullopt); // the firmware update writes no file
    EXPECT_EQ(StationLogFolder(app, "20261210", 7), "/srv/station/Log/");
}

TEST(LogTree, RemovedDayFolderIsCreatedAgainWithTheStationFolder) {
    test::TempDir dir;
    const auto folder = *StationLogFolder(dir.path(), "20261210", 3);
    ASSERT_TRUE(EnsureFolder(folder).ok());
    std::filesystem::remove_all(dir / "Log" / "20261210");
    ASSERT_TRUE(EnsureFolder(folder).ok());
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    test::WriteText(dir / "blocked", "a file where a folder should be");
    EXPECT_FALSE(EnsureFolder(dir / "blocked" / "04_MP").ok());
}

TEST(LogTree, RunTimeStamp) {
    const LocalStamp stamp{12, 10, 5, 7, 9, 42};
    EXPECT_EQ(RunTimeStamp(stamp, 0), "121005070942");
    // Two ports in the same millisecond differ in the day and millisecond fields.
    EXPECT_EQ(RunTimeStamp(stamp, 1), "121105070943");
    EXPECT_EQ(RunTimeStamp({12, 31, 23, 59, 59, 998}, 23), "12542359591021");
    EXPECT_EQ(RunTimeStamp({1, 1, 0, 0, 0, 99}, 0), "010100000099");
}

TEST(LogTree, RunAndReportNames) {
    EXPECT_EQ(EraseAllRunName("121005070942", 3), "EraseAll_121005070942_P3");
    EXPECT_EQ(LibraryReportName(EraseAllRunName("121005070942", 3)), "Report_EraseAll_121005070942_P3_1.txt");
    EXPECT_EQ(RdtRunName("VN0001", 24), "RDT_VN0001_P24");
    EXPECT_EQ(IctRunName("VN0001", 1), "ICT_VN0001_P1");
    EXPECT_EQ(SerialRunName("VN0001"), "VN0001");
    EXPECT_EQ(SerialReportName("VN0001"), "Report_VN0001_1.txt");
    EXPECT_EQ(BadBlockTableName("VN0001", 5), "BadBlockTable_VN0001_P5.txt");
    EXPECT_EQ(ScanBadTableName(5), "BadBlockTable_5.txt");
    EXPECT_EQ(FlashIdListName(12), "AllFlashID_12.txt");
}

TEST(LogTree, SerialNumbersCannotLeaveTheirFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"VN2612000001", "VN2612000001"},
        {"SN-2026 A.B#1", "SN-2026 A.B#1"},
        {"../../etc/passwd", ".._.._etc_passwd"},
        {"a\\b", "a_b"},
        {std::string("a\0b", 3), "a_b"},
        {"tab\there\r\n", "tab_here__"},
        {".", "_"},
        {"..", "__"},
        {"...", "..."},
        {"序列号", "序列号"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(SafeNamePart(in), out) << in;
    EXPECT_EQ(SerialReportName("../x"), "Report_.._x_1.txt");
    EXPECT_EQ(RdtRunName("..", 2), "RDT____P2");
}

TEST(LogTree, FindReportMatchesFilesOnlyIgnoringCase) {
    test::TempDir dir;
    std::filesystem::create_directory(dir / "Report_VN01_1.txt.d"); // a folder never matches
    test::WriteText(dir / "zz_report_vn01_1.TXT", "");
    test::WriteText(dir / "Report_VN01_1.txt.bak", "");
    test::WriteText(dir / "Report_VN02_1.txt", "");
    EXPECT_EQ(FindReport(dir.path(), "Report_VN01_1.txt"), dir / "Report_VN01_1.txt.bak");
    EXPECT_EQ(FindReport(dir.path(), "REPORT_VN02"), dir / "Report_VN02_1.txt");
    EXPECT_EQ(FindReport(dir.path(), "Report_VN03"), std::nullopt);
    EXPECT_EQ(FindReport(dir / "missing", "Report"), std::nullopt);
}

} // namespace
} // namespace varnet
