// Reading the bad-block scan report from the hand-written reports under
// fixtures/scan: a complete report, a CE mask that leaves out the low CEs,
// the block-list line rules, key variants, a file that is no scan report and
// a missing file.
#include "reports/scan_bad_report.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace varnet {
namespace {

using FlashId = std::array<uint8_t, 8>;

constexpr FlashId kPopulatedId = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x04};

// A port after identify (flash IDs of CE 0 and CE 8 read) and an earlier run.
struct Port {
    std::unique_ptr<ST_PORT_RESULT> result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList badBlocks;
    int32_t readProgress = 77;

    Port() {
        ST_PORT_RESULT& r = *result;
        r.flashId[0] = kPopulatedId;
        r.flashId[8] = kPopulatedId;
        r.flashId[1] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        r.flashCount = 5;
        r.testStationSel = 4;
        r.resultKind = kResultRdt;
        r.laterBad[9][1][2] = 3;
        r.stationName = "old";
        r.ispFwVersion = "old";
        r.badBlockLoaded = 1;
        badBlocks.push_back(BAD_BLOCK_INFO{});
    }
    PortReport Report() { return PortReport{*result, badBlocks, &readProgress}; }
    void Read(const char* fixture) {
        ReadScanBadReport(test::SourceDir() / "tests/reports/fixtures/scan" / fixture, ReportContext{},
                          Report());
    }
};

struct Entry {
    std::string label;
    int ce;
    int die;
    int plane;
    int32_t block;
};

std::vector<Entry> Entries(const BadBlockList& list) {
    std::vector<Entry> entries;
    for (const BAD_BLOCK_INFO& b : list) {
        EXPECT_EQ(b.channel, b.ce / 8);
        EXPECT_EQ(b.page, 0);
        EXPECT_EQ(b.timeStamp, 0);
        entries.push_back({b.label.data(), b.ce, b.die, b.plane, b.block});
    }
    return entries;
}

bool operator==(const Entry& a, const Entry& b) {
    return a.label == b.label && a.ce == b.ce && a.die == b.die && a.plane == b.plane && a.block == b.block;
}

void PrintTo(const Entry& e, std::ostream* out) {
    *out << e.label << " ce " << e.ce << " die " << e.die << " plane " << e.plane << " block " << e.block;
}

TEST(ScanBadReport, ReadsACompleteReport) {
    Port port;
    port.Read("full.txt");
    const ST_PORT_RESULT& r = *port.result;
    EXPECT_EQ(port.readProgress, 100);
    EXPECT_EQ(r.resultKind, kResultScanBad);
    EXPECT_EQ(r.badBlockLoaded, 1);
    EXPECT_EQ(r.stationName, "ReMP");
    EXPECT_EQ(r.ispFwVersion, "");
    EXPECT_EQ(r.testStationSel, 4);
    EXPECT_EQ(r.flashCount, 2);
    EXPECT_EQ(r.blocksPerCE, 2048);
    EXPECT_EQ(r.maxBadPerPlane, 40);
    EXPECT_EQ(r.diePerFlash, 2);
    EXPECT_EQ(r.planeCount, 3);

    EXPECT_EQ(r.earlyBad[0][0], (std::array<int32_t, 4>{1, 0, 1, 0}));
    EXPECT_EQ(r.laterBad[0][0], (std::array<int32_t, 4>{0, 1, 0, 0}));
    EXPECT_EQ(r.laterBad[0][1], (std::array<int32_t, 4>{0, 0, 1, 0}));
    EXPECT_EQ(r.earlyBad[8][0], (std::array<int32_t, 4>{2, 0, 0, 0}));
    EXPECT_EQ(r.laterBad[9][1][2], 0);
    EXPECT_EQ(r.totalBad[0][0], (std::array<int32_t, 4>{1, 1, 1, 0}));
    EXPECT_EQ(r.laterBadPerDie[0][1], 1);
    EXPECT_EQ(r.earlyBadTotal, 4);
    EXPECT_EQ(r.laterBadTotal, 2);
    EXPECT_EQ(r.allBadTotal, 6);
    EXPECT_EQ(r.eraseFailTotal, 1);
    EXPECT_EQ(r.programFailTotal, 3);
    EXPECT_EQ(r.readFailTotal, 2);

    EXPECT_EQ(r.maxBadPerCE, 40 * 3 * 2);
    EXPECT_EQ(r.maxBadTotal, 40 * 3 * 2 * 2);
    EXPECT_EQ(r.sparePerCE[0], 240 - 4);
    EXPECT_EQ(r.sparePerCE[8], 240 - 2);
    EXPECT_EQ(r.sparePerCE[1], 0);
    EXPECT_EQ(r.spareTotal, 236 + 238);

    const std::vector<Entry> expected = {
        {"Early", 0, 0, 0, 1233}, {"Erase", 0, 0, 1, 1234}, {"Early", 0, 0, 2, 1235},
        {"Read", 0, 1, 2, 98},    {"Early", 8, 0, 0, 0},    {"Early", 8, 0, 0, 3},
    };
    EXPECT_EQ(Entries(port.badBlocks), expected);
}

// The first CE listed gives the dies per CE, whatever its number.
TEST(ScanBadReport, DiesPerCeComeFromTheFirstCeListed) {
    Port port;
    port.Read("ce_mask.txt");
    const ST_PORT_RESULT& r = *port.result;
    EXPECT_EQ(r.diePerFlash, 2);
    EXPECT_EQ(r.planeCount, 2);
    EXPECT_EQ(r.earlyBad[2][1], (std::array<int32_t, 4>{1, 1, 0, 0}));
    EXPECT_EQ(r.earlyBad[3][3], (std::array<int32_t, 4>{2, 2, 0, 0}));
    EXPECT_EQ(r.earlyBadTotal, 2 * 2 + 4 * 4);
    // The flash IDs, not the report, say which CEs have spares: CE 2 and 3
    // have none; CE 0 and 8, absent from the report, have all of theirs.
    EXPECT_EQ(r.sparePerCE[2], 0);
    EXPECT_EQ(r.sparePerCE[0], 20 * 2 * 2);
    EXPECT_EQ(r.spareTotal, 2 * 20 * 2 * 2);
}

TEST(ScanBadReport, BlockLines) {
    Port port;
    port.Read("block_lines.txt");
    const std::string longLabel(127, 'L');
    const std::vector<Entry> expected = {
        {"Erase", 0, 0, 1, 1234}, // 1234 mod 3 planes
        {"Program", 0, 0, 2, 77}, // leading blanks dropped
        {"Read", 0, 0, 1, 1234},  // spaces inside the number dropped
        {"(Early)", 0, 0, 1, 7},  // only a "(" after the "_" ends the number
        {longLabel, 0, 0, 0, 9},  // label cut to 127 characters
        {"Erase", 0, 0, 1, -5},   // the plane stays in 0..2 for a negative block
        {"Erase", 0, 0, 0, 0},    // not a number
        {"Early", 0, 1, 0, 3},    // the next line names a CE: the list ends
    };
    EXPECT_EQ(Entries(port.badBlocks), expected);
    for (const BAD_BLOCK_INFO& b : port.badBlocks)
        EXPECT_EQ(b.label.back(), '\0');
}

TEST(ScanBadReport, KeyVariants) {
    Port port;
    port.Read("variants.txt");
    const ST_PORT_RESULT& r = *port.result;
    EXPECT_EQ(r.flashCount, 5) << "a header key at the first character is not read";
    EXPECT_EQ(r.blocksPerCE, 1024);
    EXPECT_EQ(r.maxBadPerPlane, 0);
    EXPECT_EQ(r.earlyBad[0][0], (std::array<int32_t, 4>{4, 5, 0, 0})) << "\"Early Bad Count\" form";
    EXPECT_EQ(r.laterBad[0][0], (std::array<int32_t, 4>{1, 0, 0, 0})) << "\"Later Bad Count\" form";
    EXPECT_EQ(r.earlyBad[1][0][0], 0) << "a marker whose physical CE differs names no CE";
    EXPECT_EQ(r.earlyBad[2][0][0], 6);
    EXPECT_EQ(r.eraseFailTotal, 2);
    EXPECT_EQ(r.programFailTotal, 1);
    EXPECT_EQ(r.readFailTotal, 7) << "a Read= without a closing '>' adds nothing";
    EXPECT_EQ(r.diePerFlash, 1);
    EXPECT_EQ(r.planeCount, 2);
    EXPECT_EQ(port.readProgress, 100);
}

TEST(ScanBadReport, AFileWithoutTheTitleOnlyResets) {
    Port port;
    port.Read("no_title.txt");
    const ST_PORT_RESULT& r = *port.result;
    EXPECT_EQ(port.readProgress, 0);
    EXPECT_TRUE(port.badBlocks.empty());
    EXPECT_EQ(r.stationName, "");
    EXPECT_EQ(r.ispFwVersion, "");
    EXPECT_EQ(r.laterBad[9][1][2], 0);
    EXPECT_EQ(r.earlyBadTotal, 0);
    EXPECT_EQ(r.badBlockLoaded, 0);
    EXPECT_EQ(r.resultKind, kResultRdt);
    EXPECT_EQ(r.flashCount, 5);
}

TEST(ScanBadReport, MissingOrUnreadableFileOnlyZeroesTheProgress) {
    test::TempDir dir;
    for (const std::filesystem::path& path : {dir / "BadBlockTable_1.txt", dir.path()}) {
        Port port;
        ReadScanBadReport(path, ReportContext{}, port.Report());
        EXPECT_EQ(port.readProgress, 0);
        EXPECT_EQ(port.result->stationName, "old");
        EXPECT_EQ(port.result->laterBad[9][1][2], 3);
        EXPECT_EQ(port.result->badBlockLoaded, 1);
        EXPECT_EQ(port.badBlocks.size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "BadBlockTable_1.txt"));
}

struct SpareCase {
    const char* name;
    FlashId id;
    bool hasSpares;
};

const SpareCase kSpareCases[] = {
    {"populated", kPopulatedId, true},
    {"all FF", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, false},
    {"all 00", {}, false},
    {"first two bytes equal", {0x98, 0x98, 0x98, 0xB3}, false},
    {"byte 1 FF", {0x98, 0xFF, 0x98, 0xB3}, false},
    {"byte 1 00", {0x98, 0x00, 0x98, 0xB3}, false},
    {"byte 0 00", {0x00, 0x3C, 0x98, 0xB3}, false},
};

class ScanSpare : public ::testing::TestWithParam<SpareCase> {};

TEST_P(ScanSpare, OnlyCesWithAFlashIdHaveSpares) {
    Port port;
    port.result->flashId[0] = GetParam().id;
    port.Read("full.txt");
    EXPECT_EQ(port.result->sparePerCE[0], GetParam().hasSpares ? 236 : 0);
    EXPECT_EQ(port.result->spareTotal, (GetParam().hasSpares ? 236 : 0) + 238);
}

INSTANTIATE_TEST_SUITE_P(FlashIds, ScanSpare, ::testing::ValuesIn(kSpareCases),
                         [](const auto& param) { return test::CaseName(param.param.name); });

TEST(ScanBadReport, AbsurdCountsSaturate) {
    Port port;
    port.result->flashId[0] = kPopulatedId;
    ReadScanBadReportText("Scan Bad Block\r\nFlashNumber=99999999999,\r\nMaxBad_perPlane/Die=2147483647,\r\n"
                          "CENo_0(Phy:0)/Die_0\r\nEarlyBad Plane0=-2147483648,\r\n"
                          "<Plane0> Erase=2147483647;Program=1;Read=1>\r\n"
                          "<Plane1> Erase=2147483647;Program=1;Read=1>\r\n",
                          ReportContext{}, port.Report());
    const ST_PORT_RESULT& r = *port.result;
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(r.eraseFailTotal, kMax);
    EXPECT_EQ(r.maxBadPerCE, kMax);
    EXPECT_EQ(r.maxBadTotal, kMax);
    EXPECT_EQ(r.sparePerCE[0], kMax); // maxBad - (-2^31) over two planes
    EXPECT_EQ(r.earlyBadTotal, std::numeric_limits<int32_t>::min());
}

} // namespace
} // namespace varnet
