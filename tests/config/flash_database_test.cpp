#include "config/flash_database.h"

#include "config/scrambled_file.h"
#include "platform/text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace varnet {
namespace {

using test::TempDir;
using test::WriteText;

ST_SSD_FLASH_PARAM Record(std::string_view name, FlashId id, uint32_t mbPerDie = 32768, uint8_t dies = 1) {
    ST_SSD_FLASH_PARAM record{};
    SetFieldText(record.name, name);
    record.flashId = id;
    record.SetMbPerDie(mbPerDie);
    record.diesPerCe = dies;
    return record;
}

FlashDatabase Database(const std::vector<ST_SSD_FLASH_PARAM>& records) {
    FlashDatabase db;
    db.LoadFromBytes(EncodeFlashDatabase(records));
    return db;
}

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Built byte by byte rather than through the record type, so that a wrong
// field offset or byte order in the record cannot cancel out in the test.
TEST(FlashDatabase, ReadsFieldsAtTheirFileOffsets) {
    std::vector<uint8_t> plain(kFlashRecordSize, 0);
    std::memcpy(&plain[64], "BICS3", 5);
    const uint8_t id[8] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x1E};
    std::memcpy(&plain[96], id, 8);
    std::memcpy(&plain[104], "TOSHIBA", 7);
    std::memcpy(&plain[120], "BiCS3 TLC", 9);
    plain[136] = 0x00;
    plain[137] = 0x80;
    plain[138] = 0x01; // 0x018000 = 98304 MB
    plain[140] = 4;
    std::memcpy(&plain[141], "R0620C02.bin", 12);
    std::memcpy(&plain[269], "T0620C02.bin", 12);
    ScrambleInPlace(plain);

    FlashDatabase db;
    db.LoadFromBytes(plain);
    ASSERT_EQ(db.Records().size(), 1u);
    const ST_SSD_FLASH_PARAM& record = db.Records()[0];
    EXPECT_EQ(FieldText(record.name), "BICS3");
    EXPECT_EQ(record.flashId, (FlashId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x1E}));
    EXPECT_EQ(FieldText(record.makerText), "TOSHIBA");
    EXPECT_EQ(FieldText(record.typeText), "BiCS3 TLC");
    EXPECT_EQ(record.MbPerDie(), 98304u);
    EXPECT_EQ(record.diesPerCe, 4);
    EXPECT_EQ(FieldText(record.rdtFirmware), "R0620C02.bin");
    EXPECT_EQ(FieldText(record.mpFirmware), "T0620C02.bin");

    EXPECT_EQ(EncodeFlashDatabase(db.Records()), plain);
}

TEST(FlashDatabase, KeepsOneRecordPerWhole400BytesInFileOrder) {
    const std::vector<ST_SSD_FLASH_PARAM> three = {Record("A", {0x98, 1}), Record("B", {0x98, 2}),
                                                   Record("C", {0x98, 3})};
    const std::vector<uint8_t> file = EncodeFlashDatabase(three);
    struct Case {
        size_t size;
        size_t records;
    };
    // 1,000 bytes: two records and 200 ignored; 803 and 1,199 end in a
    // partial word.
    for (const Case c : {Case{0, 0}, Case{3, 0}, Case{399, 0}, Case{400, 1}, Case{803, 2}, Case{1000, 2},
                         Case{1199, 2}, Case{1200, 3}}) {
        SCOPED_TRACE(c.size);
        FlashDatabase db;
        db.LoadFromBytes(std::span(file).first(c.size));
        ASSERT_EQ(db.Records().size(), c.records);
        for (size_t i = 0; i < c.records; ++i)
            EXPECT_EQ(std::memcmp(&db.Records()[i], &three[i], kFlashRecordSize), 0);
    }
}

TEST(FlashDatabase, LoadsTheFileAndEmptiesTheListFirst) {
    TempDir dir;
    const std::vector<uint8_t> two = EncodeFlashDatabase(
        std::vector{Record("L06B", {0x2C, 0x88, 0x04, 0x4B, 0xA9}), Record("B16", {0x2C, 0xA4, 0x08})});
    WriteText(dir / "FlashInfo.dat", Bytes(two) + std::string(200, 'x'));
    WriteText(dir / "one.dat", Bytes(EncodeFlashDatabase(std::vector{Record("N18", {0x2C, 0xD3})})));
    WriteText(dir / "short.dat", "abc");

    FlashDatabase db;
    ASSERT_EQ(LoadFlashDatabase(db, dir / "FlashInfo.dat"), 0);
    ASSERT_EQ(db.Records().size(), 2u);
    EXPECT_EQ(FieldText(db.Records()[1].name), "B16");

    ASSERT_EQ(db.Load(dir / "one.dat"), 0);
    ASSERT_EQ(db.Records().size(), 1u);
    EXPECT_EQ(FieldText(db.Records()[0].name), "N18");
    EXPECT_EQ(db.FamilyOf({0x2C, 0x88, 0x04, 0x4B, 0xA9}), 0) << "a reload leaves no stale lookups";

    EXPECT_EQ(db.Load(dir / "short.dat"), 0);
    EXPECT_TRUE(db.Empty());

    ASSERT_EQ(db.Load(dir / "one.dat"), 0);
    EXPECT_EQ(db.Load(dir / "missing.dat"), -1);
    EXPECT_TRUE(db.Empty());
    EXPECT_EQ(db.Load(dir.path()), -1) << "a folder cannot be read";
}

TEST(FlashDatabase, MatchesFiveOrSixBytesByMakerAndTheFirstRecordWins) {
    const FlashDatabase db = Database({
        Record("L06B", {0x2C, 0x88, 0x04, 0x4B, 0xA9, 0x00}),
        Record("L06B-later", {0x2C, 0x88, 0x04, 0x4B, 0xA9, 0x55}),
        Record("INTEL", {0x89, 0x88, 0x24, 0x4B, 0xA9, 0x00}),
        Record("B5", {0xB5, 0x01, 0x02, 0x03, 0x04, 0x05}),
        Record("BICS3", {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x1E}),
        Record("BICS3-copy", {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x00, 0x00}),
        Record("BICS3-other", {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x73}),
        Record("SANDISK", {0x45, 0x3C, 0x98, 0xB3, 0x76, 0x72}),
    });
    struct Case {
        FlashId id;
        const char* found; // nullptr: no match
    };
    const Case cases[] = {
        {{0x2C, 0x88, 0x04, 0x4B, 0xA9, 0x00}, "L06B"},
        {{0x2C, 0x88, 0x04, 0x4B, 0xA9, 0x55}, "L06B"}, // sixth byte not compared: the earlier record
        {{0x2C, 0x88, 0x04, 0x4B, 0xA8, 0x00}, nullptr},
        {{0x89, 0x88, 0x24, 0x4B, 0xA9, 0xEE}, "INTEL"},
        {{0xB5, 0x01, 0x02, 0x03, 0x04, 0xEE}, "B5"},
        {{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0xFF, 0xFF}, "BICS3"}, // bytes 6 and 7 never count
        {{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x73}, "BICS3-other"},
        {{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x74}, nullptr},
        {{0x45, 0x3C, 0x98, 0xB3, 0x76, 0x72}, "SANDISK"},
        {{0x45, 0x3C, 0x98, 0xB3, 0x76, 0x00}, nullptr},
        {{}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.id));
        const ST_SSD_FLASH_PARAM* record = db.FindRecord(c.id);
        ST_SSD_FLASH_PARAM copy{};
        const int result = FindFlashRecord(db, c.id.data(), copy);
        if (!c.found) {
            EXPECT_EQ(record, nullptr);
            EXPECT_EQ(result, -1);
            EXPECT_FALSE(db.Find(c.id));
            continue;
        }
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(FieldText(record->name), c.found);
        ASSERT_EQ(result, 0);
        EXPECT_EQ(std::memcmp(&copy, record, kFlashRecordSize), 0);
    }
}

TEST(FlashDatabase, FindFlashRecordRefusesEmptyListAndMissingId) {
    ST_SSD_FLASH_PARAM out = Record("untouched", {});
    const uint8_t six[6] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72}; // a caller's six-byte buffer
    EXPECT_EQ(FindFlashRecord(FlashDatabase{}, six, out), -1);
    const FlashDatabase db = Database({Record("BICS3", {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08})});
    EXPECT_EQ(FindFlashRecord(db, nullptr, out), -1);
    EXPECT_EQ(FieldText(out.name), "untouched");
    ASSERT_EQ(FindFlashRecord(db, six, out), 0);
    EXPECT_EQ(FieldText(out.name), "BICS3");
}

TEST(FlashDatabase, FamilyCodesFollowTheNameExactly) {
    const std::pair<const char*, int> table[] = {
        {"6DDJ", 1},          {"7DDJ", 2},         {"6DDK", 3},   {"7DDK", 4},   {"6DDL", 5},
        {"7DDL", 6},          {"7DFL", 7},         {"L06B", 8},   {"7TDK", 13},  {"7THL", 14},
        {"SAM_14NM_MLC", 10}, {"SD-19NM-MLC", 11}, {"BICS2", 15}, {"BICS3", 16}, {"BICS4", 17},
        {"B0K", 18},          {"B16", 19},         {"B17", 20},   {"B27A", 21},  {"B27B", 22},
        {"3DV4", 23},         {"3DV5", 25},        {"N18", 29},   {"3dv4", 0},   {"3DV4X", 0},
        {"3DV", 0},           {" 3DV4", 0},        {"BiCS3", 0},  {"", 0},       {"B0K ", 0},
        {"BOK", 0},
    };
    for (const auto& [name, code] : table)
        EXPECT_EQ(FlashFamilyOfName(name), code) << name;

    const FlashDatabase db = Database({
        Record("3DV4", {0xAD, 0xDE, 0x18, 0xA9, 0x42, 0x4A}),
        Record("3DV4X", {0xAD, 0x3E, 0x19, 0xAA, 0x46, 0x4B}),
        Record("N18", {0x2C, 0xD3, 0x1C, 0x32, 0xC6}),
    });
    EXPECT_EQ(FlashFamilyOf(db, {0xAD, 0xDE, 0x18, 0xA9, 0x42, 0x4A}), 23);
    EXPECT_EQ(FlashFamilyOf(db, {0xAD, 0x3E, 0x19, 0xAA, 0x46, 0x4B}), 0);
    EXPECT_EQ(FlashFamilyOf(db, {0x2C, 0xD3, 0x1C, 0x32, 0xC6, 0x99}), 29);
    EXPECT_EQ(FlashFamilyOf(db, {0xEC, 0xDE, 0x94}), 0) << "unknown ID";
    EXPECT_EQ(FlashFamilyOf(FlashDatabase{}, {0xAD, 0xDE, 0x18, 0xA9, 0x42, 0x4A}), 0);
}

TEST(FlashDatabase, LabelShowsSixUpperCaseIdBytesAndTheName) {
    ST_SSD_FLASH_PARAM record = Record("B27B", {0x2C, 0xd4, 0x18, 0x32, 0xe6, 0x0a, 0xFF, 0xFF});
    EXPECT_EQ(ConfigurationLabel(record), "2C D4 18 32 E6 0A-B27B");
    record.name = {};
    EXPECT_EQ(ConfigurationLabel(record), "2C D4 18 32 E6 0A-");
}

// Records from a damaged file: texts fill their whole field with no
// terminator. Nothing may read past the field (the sanitizer build checks).
TEST(FlashDatabase, UnterminatedTextsStayInsideTheirField) {
    std::vector<uint8_t> plain(kFlashRecordSize, 'Z');
    std::memcpy(&plain[96], "\x98\x3C\x98\xB3\x76\x72", 6);
    ScrambleInPlace(plain);
    FlashDatabase db;
    db.LoadFromBytes(plain);
    ASSERT_EQ(db.Records().size(), 1u);
    EXPECT_EQ(ConfigurationLabel(db.Records()[0]), "98 3C 98 B3 76 72-" + std::string(32, 'Z'));
    EXPECT_EQ(db.FamilyOf({0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72}), 0);
    EXPECT_EQ(FieldText(db.Records()[0].mpFirmware).size(), 128u);
}

TEST(FlashDatabase, DetectedCapacityIsDiesTimesCesTimesDieSize) {
    constexpr uint32_t kMax = std::numeric_limits<uint32_t>::max();
    struct Case {
        uint32_t mbPerDie;
        uint8_t dies;
        uint32_t ces;
        uint32_t capacity;
    };
    for (const Case c : {Case{32768, 2, 4, 262144}, Case{65536, 4, 8, 2097152}, Case{8192, 1, 0, 0},
                         Case{0, 4, 8, 0}, Case{131072, 4, 8192, kMax}, Case{kMax, 255, kMax, kMax}}) {
        SCOPED_TRACE(testing::Message() << c.mbPerDie << " MB x " << int{c.dies} << " x " << c.ces);
        EXPECT_EQ(DetectedCapacityMb(Record("X", {}, c.mbPerDie, c.dies), c.ces), c.capacity);
    }
}

} // namespace
} // namespace varnet
