#include "config/startup_files.h"

#include "config/debug_options.h"
#include "config/scrambled_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cctype>

namespace fs = std::filesystem;

namespace varnet {
namespace {

void WriteCustomerFile(const fs::path& appDir, uint8_t customerCode, bool marker = true) {
    std::vector<uint8_t> plain(312, 0);
    plain[16] = customerCode;
    if (marker) {
        plain[33] = 'K';
        plain[34] = 'X';
        plain[35] = 'M';
        plain[36] = 'P';
    }
    ScrambleInPlace(plain);
    fs::create_directories(appDir / "Bin");
    test::WriteText(appDir / "Bin" / "SB_ISP_Ram.BIN", std::string(plain.begin(), plain.end()));
}

TEST(StartupFiles, MessagesOfTheMissingFiles) {
    EXPECT_EQ(MissingFileMessage(RequiredFile::kFlashDatabase), "FlashInfo.dat is Missing!");
    EXPECT_EQ(MissingFileMessage(RequiredFile::kCustomerRecord), "Customer BIN is Missing!");
    EXPECT_EQ(MissingFileMessage(RequiredFile::kDeviceLibrary), "Load Dll Fail!");
}

TEST(StartupFiles, BothFilesPresentLoadsTheCustomerRecord) {
    test::TempDir dir;
    test::WriteText(dir / "FlashInfo.dat", "");
    WriteCustomerFile(dir.path(), 8);
    FlashDatabase db;
    CustomerRecord customer;
    EXPECT_EQ(LoadRequiredFiles(dir.path(), db, customer), std::nullopt);
    EXPECT_TRUE(customer.Valid());
    EXPECT_EQ(customer.CustomerCode(), 8);

    // A wrong marker is no failure: the station runs with an all-zero record.
    WriteCustomerFile(dir.path(), 8, false);
    EXPECT_EQ(LoadRequiredFiles(dir.path(), db, customer), std::nullopt);
    EXPECT_FALSE(customer.Valid());
    EXPECT_EQ(customer.CustomerCode(), 0);
}

TEST(StartupFiles, FlashDatabaseIsCheckedFirstAndStopsTheStart) {
    test::TempDir dir;
    FlashDatabase db;
    CustomerRecord customer;
    customer.bytes[16] = 7;
    // The customer file is missing too, which would be reported if it were read.
    EXPECT_EQ(LoadRequiredFiles(dir.path(), db, customer), RequiredFile::kFlashDatabase);
    // Present but unread: the record keeps what it held.
    WriteCustomerFile(dir.path(), 2);
    EXPECT_EQ(LoadRequiredFiles(dir.path(), db, customer), RequiredFile::kFlashDatabase);
    EXPECT_EQ(customer.CustomerCode(), 7);

    fs::remove(dir / "Bin" / "SB_ISP_Ram.BIN");
    test::WriteText(dir / "FlashInfo.dat", "");
    EXPECT_EQ(LoadRequiredFiles(dir.path(), db, customer), RequiredFile::kCustomerRecord);
}

TEST(StartupFiles, LogDateFolderIsYearMonthDay) {
    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 11;
    date.tm_mday = 10;
    EXPECT_EQ(LogDateFolder(date), "20261210");
    date.tm_year = 999 - 1900;
    date.tm_mon = 0;
    date.tm_mday = 5;
    EXPECT_EQ(LogDateFolder(date), "09990105");
    const std::string now = LogDateFolderNow();
    EXPECT_EQ(now.size(), 8u);
    EXPECT_TRUE(std::all_of(now.begin(), now.end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }));
}

TEST(StartupFiles, PrepareFoldersCreatesTheTreeAndDropsStaleMappings) {
    test::TempDir dir;
    ASSERT_TRUE(PrepareFolders(dir.path(), "20261210").ok());
    EXPECT_TRUE(fs::is_directory(dir / "Log" / "20261210"));
    EXPECT_TRUE(fs::is_directory(dir / "Config"));

    test::WriteText(dir / "Config" / "HubMapping.xml", "<hubs/>");
    test::WriteText(dir / "Config" / "SlotMapping.xml", "<slots/>");
    test::WriteText(dir / "Config" / "Param_Com.cfg", "keep");
    test::WriteText(dir / "Log" / "20261210" / "run.log", "keep");
    ASSERT_TRUE(PrepareFolders(dir.path(), "20261210").ok());
    EXPECT_FALSE(fs::exists(dir / "Config" / "HubMapping.xml"));
    EXPECT_FALSE(fs::exists(dir / "Config" / "SlotMapping.xml"));
    EXPECT_EQ(test::ReadText(dir / "Config" / "Param_Com.cfg"), "keep");
    EXPECT_EQ(test::ReadText(dir / "Log" / "20261210" / "run.log"), "keep");
}

TEST(StartupFiles, PrepareFoldersReportsAFileInTheWay) {
    test::TempDir dir;
    test::WriteText(dir / "Log", "not a folder");
    fs::create_directory(dir / "Config");
    test::WriteText(dir / "Config" / "HubMapping.xml", "<hubs/>");
    EXPECT_FALSE(PrepareFolders(dir.path(), "20261210").ok());
    // The other steps still ran.
    EXPECT_FALSE(fs::exists(dir / "Config" / "HubMapping.xml"));

    test::TempDir other;
    test::WriteText(other / "Config", "not a folder");
    EXPECT_FALSE(PrepareFolders(other.path(), "20261210").ok());
    EXPECT_TRUE(fs::is_directory(other / "Log" / "20261210"));
}

TEST(DebugOptions, AbsentFileOrKeysReadZero) {
    test::TempDir dir;
    DebugOptions options = LoadDebugOptions(dir.path());
    EXPECT_EQ(options.NoPassword, 0);
    EXPECT_EQ(options.TestRDTCycle, 0);
    EXPECT_EQ(options.SataFlow, 0);

    test::WriteText(dir / "Debug.txt", "[Other]\r\nNoPassword=1\r\n[Options]\r\nSataFlow=\r\n");
    options = LoadDebugOptions(dir.path());
    EXPECT_EQ(options.NoPassword, 0);
    EXPECT_EQ(options.SataFlow, 0);
}

TEST(DebugOptions, ReadsTheOptionsSection) {
    test::TempDir dir;
    test::WriteText(dir / "Debug.txt", "[options]\r\nnopassword = 1\r\nTestRDTCycle=2\r\nSataFlow=3\r\n");
    const DebugOptions options = LoadDebugOptions(dir.path());
    EXPECT_EQ(options.NoPassword, 1);
    EXPECT_EQ(options.TestRDTCycle, 2);
    EXPECT_EQ(options.SataFlow, 3);
}

} // namespace
} // namespace varnet
