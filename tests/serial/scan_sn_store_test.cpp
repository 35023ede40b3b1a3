// The scanned-SN store: 0-based keys, values cut to 127 characters on read
// but saved whole, empty values kept as keys, a missing file read as empty.
#include "serial/scan_sn_store.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace varnet {
namespace {

struct AppDir {
    test::TempDir dir;
    AppDir() { std::filesystem::create_directories(dir / "Config"); }
    const std::filesystem::path& path() const { return dir.path(); }
};

TEST(ScanSnStore, KeysCountFromZero) {
    AppDir app;
    test::WriteText(ScanSnFile(app.path()), "[ScanInput]\r\nPort0=FIRST\r\nPort23=LAST\r\nPort24=NONE\r\n");
    EXPECT_EQ(ScanSnFile(app.path()), app.path() / "Config" / "ScanSN.DAT");
    EXPECT_EQ(ReadScanSerialNumber(app.path(), 0), "FIRST");
    EXPECT_EQ(ReadScanSerialNumber(app.path(), 23), "LAST");
    EXPECT_EQ(ReadScanSerialNumber(app.path(), 1), "");
    ScanSerialNumbers expected;
    expected[0] = "FIRST";
    expected[23] = "LAST";
    EXPECT_EQ(ReadScanSerialNumbers(app.path()), expected);
}

TEST(ScanSnStore, SavesWholeValuesAndReadsBack127Characters) {
    AppDir app;
    const std::string longValue(200, 'S');
    ScanSerialNumbers values;
    values[0] = longValue;
    values[7] = "SN-0008";
    values[8] = "SN-0008"; // two ports may share a number
    ASSERT_TRUE(WriteScanSerialNumbers(app.path(), values).ok());

    const std::string text = test::ReadText(ScanSnFile(app.path()));
    EXPECT_NE(text.find("Port0=" + longValue + "\r\n"), std::string::npos);
    // Empty fields keep their keys.
    for (const char* key : {"Port1=\r\n", "Port6=\r\n", "Port23=\r\n"})
        EXPECT_NE(text.find(key), std::string::npos) << key;

    ScanSerialNumbers expected = values;
    expected[0] = longValue.substr(0, kScanSnMaxLength);
    EXPECT_EQ(ReadScanSerialNumbers(app.path()), expected);
    EXPECT_EQ(ReadScanSerialNumber(app.path(), 0), expected[0]);
    EXPECT_EQ(ReadScanSerialNumber(app.path(), 8), "SN-0008");

    // Clearing and saving empties every value but keeps the keys.
    ASSERT_TRUE(WriteScanSerialNumbers(app.path(), ScanSerialNumbers{}).ok());
    EXPECT_EQ(ReadScanSerialNumbers(app.path()), ScanSerialNumbers{});
    EXPECT_NE(test::ReadText(ScanSnFile(app.path())).find("Port0=\r\n"), std::string::npos);
}

TEST(ScanSnStore, MissingFileReadsEmptyAndUnsavableValuesWriteNothing) {
    test::TempDir dir;
    EXPECT_EQ(ReadScanSerialNumber(dir.path(), 0), "");
    EXPECT_EQ(ReadScanSerialNumbers(dir.path()), ScanSerialNumbers{});
    // No Config folder to save into.
    EXPECT_FALSE(WriteScanSerialNumbers(dir.path(), ScanSerialNumbers{}).ok());

    AppDir app;
    ScanSerialNumbers first;
    first[2] = "KEPT";
    ASSERT_TRUE(WriteScanSerialNumbers(app.path(), first).ok());
    ScanSerialNumbers broken;
    broken[3] = "TWO\r\nLINES";
    EXPECT_FALSE(WriteScanSerialNumbers(app.path(), broken).ok());
    EXPECT_EQ(ReadScanSerialNumbers(app.path()), first);
}

} // namespace
} // namespace varnet
