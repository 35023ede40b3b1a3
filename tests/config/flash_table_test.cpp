#include "config/flash_table.h"

#include "config/flash_database.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace varnet {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

const char* const kGoodLine = "L06B | 2C 88 04 4B A9 00 | MICRON | L06B 64Gb MLC | 8192 | 1 | "
                              "VN2B0517_RDT_L06B.bin | VN2B0517_MP_L06B.bin";

bool SameRecords(std::span<const ST_SSD_FLASH_PARAM> a, std::span<const ST_SSD_FLASH_PARAM> b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size_bytes()) == 0);
}

TEST(FlashTable, ReadsRecordsSkippingCommentsAndBlankLines) {
    const FlashTable table =
        ParseFlashTable("# name | id | ...\r\n"
                        "\r\n"
                        "   # an indented comment\n"
                        " \t\n" +
                        std::string(kGoodLine) +
                        "\r\n"
                        "\tBICS3|98 3c 98 b3 76 72 8 1e|TOSHIBA|  BiCS3 256Gb TLC |32768|4|r.bin|"
                        "m.bin\n"
                        "N18 | 2C D3 | | | 0 | 255 | |"); // no final newline
    ASSERT_TRUE(table.ok()) << table.errors.front();
    ASSERT_EQ(table.records.size(), 3u);

    const ST_SSD_FLASH_PARAM& l06b = table.records[0];
    EXPECT_EQ(FieldText(l06b.name), "L06B");
    EXPECT_EQ(l06b.flashId, (FlashId{0x2C, 0x88, 0x04, 0x4B, 0xA9, 0, 0, 0}));
    EXPECT_EQ(FieldText(l06b.makerText), "MICRON");
    EXPECT_EQ(FieldText(l06b.typeText), "L06B 64Gb MLC");
    EXPECT_EQ(l06b.MbPerDie(), 8192u);
    EXPECT_EQ(l06b.diesPerCe, 1);
    EXPECT_EQ(FieldText(l06b.rdtFirmware), "VN2B0517_RDT_L06B.bin");
    EXPECT_EQ(FieldText(l06b.mpFirmware), "VN2B0517_MP_L06B.bin");

    const ST_SSD_FLASH_PARAM& bics = table.records[1];
    EXPECT_EQ(FieldText(bics.name), "BICS3");
    EXPECT_EQ(bics.flashId, (FlashId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x1E}));
    EXPECT_EQ(FieldText(bics.typeText), "BiCS3 256Gb TLC");
    EXPECT_EQ(bics.diesPerCe, 4);
    EXPECT_EQ(FieldText(bics.mpFirmware), "m.bin");

    const ST_SSD_FLASH_PARAM& n18 = table.records[2];
    EXPECT_EQ(n18.flashId, (FlashId{0x2C, 0xD3}));
    EXPECT_EQ(FieldText(n18.makerText), "");
    EXPECT_EQ(n18.diesPerCe, 255);
    EXPECT_EQ(FieldText(n18.mpFirmware), "");
}

TEST(FlashTable, ReportsEachBadLineWithItsNumber) {
    const std::string name31(31, 'N');
    const std::string text15(15, 'T');
    const std::string file127(127, 'F');
    struct Case {
        std::string line;
        const char* error; // part of the message; nullptr: the line is good
    };
    const Case cases[] = {
        {"A | 98 | m | t | 1 | 1 | r", "expected 8 fields"},
        {"A | 98 | m | t | 1 | 1 | r | p | x", "found 9"},
        {"no bars at all", "found 1"},
        {"A | | m | t | 1 | 1 | r | p", "flash ID is empty"},
        {"A | 98 3G | m | t | 1 | 1 | r | p", "'3G' is not one hexadecimal byte"},
        {"A | 983C | m | t | 1 | 1 | r | p", "'983C'"},
        {"A | 0x98 | m | t | 1 | 1 | r | p", "'0x98'"},
        {"A | 1 2 3 4 5 6 7 8 9 | m | t | 1 | 1 | r | p", "more than 8 bytes"},
        {name31 + " | 98 | m | t | 1 | 1 | r | p", nullptr},
        {name31 + "N | 98 | m | t | 1 | 1 | r | p", "name 'NNN"},
        {"A | 98 | " + text15 + " | " + text15 + " | 1 | 1 | r | p", nullptr},
        {"A | 98 | " + text15 + "T | t | 1 | 1 | r | p", "maker 'TTT"},
        {"A | 98 | m | " + text15 + "T | 1 | 1 | r | p", "16 characters long, at most 15 fit"},
        {"A | 98 | m | t | 1 | 1 | " + file127 + " | " + file127, nullptr},
        {"A | 98 | m | t | 1 | 1 | " + file127 + "F | p", "RDT firmware"},
        {"A | 98 | m | t | 1 | 1 | r | " + file127 + "F", "production firmware"},
        {"A | 98 | m | t | 4294967295 | 1 | r | p", nullptr},
        {"A | 98 | m | t | 4294967296 | 1 | r | p",
         "MB per die '4294967296' is not a number from 0 to 4294967295"},
        {"A | 98 | m | t | 99999999999999999999999 | 1 | r | p", "MB per die"},
        {"A | 98 | m | t | -1 | 1 | r | p", "MB per die '-1'"},
        {"A | 98 | m | t | 12a | 1 | r | p", "MB per die '12a'"},
        {"A | 98 | m | t |  | 1 | r | p", "MB per die ''"},
        {"A | 98 | m | t | 1 | 256 | r | p", "dies per CE '256' is not a number from 0 to 255"},
        {"A | 98 | m | t | 1 | 1 2 | r | p", "dies per CE"},
        {"A\\q | 98 | m | t | 1 | 1 | r | p", "name bad escape"},
        {"A\\x4 | 98 | m | t | 1 | 1 | r | p", "bad escape"},
        {"A | 98 | m | t | 1 | 1 | r | p\\", "bad escape"},
        {"A | 98 | m\\x00 | t | 1 | 1 | r | p", "maker holds a zero byte"},
        {std::string("A | 98 | m") + '\0' + " | t | 1 | 1 | r | p", "zero byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        // The line under test is line 3, after a good record and a comment.
        const FlashTable table = ParseFlashTable(std::string(kGoodLine) + "\n# comment\n" + c.line + "\n");
        if (!c.error) {
            EXPECT_TRUE(table.ok()) << table.errors.front();
            EXPECT_EQ(table.records.size(), 2u);
            continue;
        }
        ASSERT_EQ(table.errors.size(), 1u);
        EXPECT_EQ(table.errors[0].rfind("line 3: ", 0), 0u) << table.errors[0];
        EXPECT_NE(table.errors[0].find(c.error), std::string::npos) << table.errors[0];
        EXPECT_EQ(table.records.size(), 1u) << "the good line is still read";
    }
}

TEST(FlashTable, CollectsEveryBadLineAndCutsLongQuotes) {
    const FlashTable table = ParseFlashTable("x\n" + std::string(kGoodLine) + "\n\ny | z\nA | 98 | m | t | " +
                                             std::string(5000, '7') + " | 1 | r | p\n");
    ASSERT_EQ(table.errors.size(), 3u);
    EXPECT_EQ(table.errors[0].rfind("line 1: ", 0), 0u);
    EXPECT_EQ(table.errors[1].rfind("line 4: ", 0), 0u);
    EXPECT_EQ(table.errors[2].rfind("line 5: ", 0), 0u);
    EXPECT_LT(table.errors[2].size(), 200u);
    EXPECT_EQ(table.records.size(), 1u);
}

// Whatever a damaged or foreign database holds must survive dump and write.
TEST(FlashTable, EscapesTextsTheTableCouldNotOtherwiseCarry) {
    std::vector<ST_SSD_FLASH_PARAM> records(3);
    std::memset(records.data(), 0, records.size() * sizeof(ST_SSD_FLASH_PARAM));
    SetFieldText(records[0].name, "#not a comment");
    SetFieldText(records[0].makerText, " a|b\\c ");
    SetFieldText(records[0].typeText, "\t\x01\x7F\xFF\xC3\xA9");
    SetFieldText(records[0].rdtFirmware, "#");
    SetFieldText(records[0].mpFirmware, "\\x41");
    records[0].flashId = {0x98, 0, 0, 0, 0, 0, 0, 0x01};
    records[0].SetMbPerDie(0xFFFFFFFF);
    records[0].diesPerCe = 255;
    SetFieldText(records[1].name, " ");
    SetFieldText(records[2].name, "\\");

    const std::string text = FormatFlashTable(records);
    EXPECT_NE(text.find("\\x23not a comment"), std::string::npos) << text;
    EXPECT_NE(text.find("\\x20a\\x7Cb\\\\c\\x20"), std::string::npos) << text;
    EXPECT_NE(text.find("| #"), std::string::npos) << "only a leading '#' of the line needs escaping";
    EXPECT_NE(text.find("98 00 00 00 00 00 00 01"), std::string::npos) << text;

    const FlashTable again = ParseFlashTable(text);
    ASSERT_TRUE(again.ok()) << again.errors.front();
    EXPECT_TRUE(SameRecords(again.records, records)) << text;
}

TEST(FlashTable, WriterOutputIsAlignedAndIdsShowAtLeastSixBytes) {
    std::vector<ST_SSD_FLASH_PARAM> records =
        ParseFlashTable(std::string(kGoodLine) + "\nBICS3 | 98 3C 98 B3 76 72 08 | T | t | 1 | 1 | r | p")
            .records;
    ASSERT_EQ(records.size(), 2u);
    const std::string text = FormatFlashTable(records);
    EXPECT_EQ(text.rfind("# name", 0), 0u);
    EXPECT_NE(text.find("\nL06B   | 2C 88 04 4B A9 00    | MICRON |"), std::string::npos) << text;
    EXPECT_NE(text.find("\nBICS3  | 98 3C 98 B3 76 72 08 | T      |"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find(" \n"), std::string::npos) << "no trailing blanks";

    const FlashTable empty = ParseFlashTable(FormatFlashTable({}));
    EXPECT_TRUE(empty.ok() && empty.records.empty());
}

TEST(FlashTable, TableEncodeLoadDumpRoundTrip) {
    const FlashTable demo = ParseFlashTable(ReadText(test::SourceDir() / "demo" / "flash_table.txt"));
    ASSERT_TRUE(demo.ok()) << demo.errors.front();
    const std::string canonical = FormatFlashTable(demo.records);

    TempDir dir;
    const std::vector<uint8_t> bytes = EncodeFlashDatabase(ParseFlashTable(canonical).records);
    WriteText(dir / "FlashInfo.dat", std::string(bytes.begin(), bytes.end()));
    FlashDatabase db;
    ASSERT_EQ(db.Load(dir / "FlashInfo.dat"), 0);
    EXPECT_TRUE(SameRecords(db.Records(), demo.records));
    EXPECT_EQ(FormatFlashTable(db.Records()), canonical);
}

// The demo station relies on these: every family the configuration rules
// test is present, no row hides another from lookups, and the firmware names
// carry an eight-character version with 'B' or 'C' as its fourth character.
TEST(FlashTable, DemoTableCoversTheFamiliesAndEveryRowIsReachable) {
    const FlashTable demo = ParseFlashTable(ReadText(test::SourceDir() / "demo" / "flash_table.txt"));
    ASSERT_TRUE(demo.ok()) << demo.errors.front();
    FlashDatabase db;
    db.LoadFromBytes(EncodeFlashDatabase(demo.records));

    std::set<std::string> names;
    bool sandiskBics = false;
    bool versionB = false;
    bool versionC = false;
    for (const ST_SSD_FLASH_PARAM& record : db.Records()) {
        const std::string name(FieldText(record.name));
        SCOPED_TRACE(name);
        names.insert(name);
        EXPECT_EQ(db.FindRecord(record.flashId), &record) << "shadowed by an earlier row";
        EXPECT_NE(db.FamilyOf(record.flashId), 0);
        EXPECT_GT(DetectedCapacityMb(record, 1), 0u);
        sandiskBics |= record.flashId[0] == 0x45 && name.rfind("BICS", 0) == 0;
        const std::string_view mp = FieldText(record.mpFirmware);
        ASSERT_GE(mp.size(), 8u);
        EXPECT_TRUE(mp[3] == 'B' || mp[3] == 'C') << mp;
        versionB |= mp[3] == 'B';
        versionC |= mp[3] == 'C';
        EXPECT_GE(FieldText(record.rdtFirmware).size(), 8u);
    }
    for (const char* family :
         {"BICS2", "BICS3", "BICS4", "B0K", "B16", "B17", "B27A", "B27B", "L06B", "3DV4", "3DV5", "N18"})
        EXPECT_EQ(names.count(family), 1u) << family;
    EXPECT_TRUE(sandiskBics);
    EXPECT_TRUE(versionB && versionC);
}

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class FlashDbTool : public testing::Test {
protected:
    void SetUp() override {
        const char* binaryDir = std::getenv("VARNET_BINARY_DIR");
        if (!binaryDir)
            GTEST_SKIP() << "VARNET_BINARY_DIR is not set (run under ctest)";
        tool_ = std::filesystem::path(binaryDir) / "src" / "varnet-flashdb";
        ASSERT_TRUE(std::filesystem::exists(tool_)) << tool_;
    }

    ToolRun Run(const std::string& arguments) const {
        const std::string command = "'" + tool_.string() + "' " + arguments + " >'" +
                                    (dir_ / "out").string() + "' 2>'" + (dir_ / "err").string() + "'";
        const int status = std::system(command.c_str());
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadText(dir_ / "out");
        run.err = ReadText(dir_ / "err");
        return run;
    }

    std::string Path(const char* name) const { return "'" + (dir_ / name).string() + "'"; }

    TempDir dir_;
    std::filesystem::path tool_;
};

TEST_F(FlashDbTool, WritesADatabaseAndDumpsItBack) {
    const std::string table =
        "# parts\n" + std::string(kGoodLine) + "\nBICS3 | 98 3C 98 B3 76 72 | T | t | 32768 | 2 | r | p\n";
    WriteText(dir_ / "table.txt", table);

    const ToolRun write = Run("write " + Path("table.txt") + " " + Path("FlashInfo.dat"));
    ASSERT_EQ(write.exitCode, 0) << write.err;
    FlashDatabase db;
    ASSERT_EQ(db.Load(dir_ / "FlashInfo.dat"), 0);
    ASSERT_EQ(db.Records().size(), 2u);
    EXPECT_EQ(db.FamilyOf({0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72}), 16);

    const ToolRun dump = Run("dump " + Path("FlashInfo.dat"));
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(dump.out, FormatFlashTable(ParseFlashTable(table).records));
    EXPECT_EQ(dump.err, "");
}

TEST_F(FlashDbTool, BadTableWritesNothing) {
    WriteText(dir_ / "FlashInfo.dat", "old");
    WriteText(dir_ / "table.txt", std::string(kGoodLine) + "\nB16 | 2C A4 | m | t | 1 | 300 | r | p\n");
    const ToolRun bad = Run("write " + Path("table.txt") + " " + Path("FlashInfo.dat"));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("line 2: dies per CE '300'"), std::string::npos) << bad.err;
    EXPECT_EQ(ReadText(dir_ / "FlashInfo.dat"), "old");

    WriteText(dir_ / "comments.txt", "# nothing here\n");
    const ToolRun empty = Run("write " + Path("comments.txt") + " " + Path("new.dat"));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find("no records"), std::string::npos) << empty.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "new.dat"));

    const ToolRun missing = Run("write " + Path("absent.txt") + " " + Path("new.dat"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("absent.txt"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "new.dat"));
}

TEST_F(FlashDbTool, DumpReportsUnreadableFilesAndIgnoredBytes) {
    const ToolRun missing = Run("dump " + Path("absent.dat"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("absent.dat"), std::string::npos) << missing.err;

    WriteText(dir_ / "short.dat", std::string(401, '\x55'));
    const ToolRun dump = Run("dump " + Path("short.dat"));
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_NE(dump.err.find("last 1 bytes ignored"), std::string::npos) << dump.err;
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 2) << "header and one record";
}

TEST_F(FlashDbTool, BadArgumentsShowUsage) {
    for (const char* arguments : {"", "write", "write a", "write a b c", "dump", "dump a b", "list a"}) {
        SCOPED_TRACE(arguments);
        const ToolRun run = Run(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find("usage: varnet-flashdb write TABLE OUTPUT"), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace varnet
