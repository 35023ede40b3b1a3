// Reading the erase-count report: the hand-written reports under
// fixtures/erase show one behaviour each (the pretest section, later lines
// before early ones, key positions, markers out of order or inside other text,
// bare line feeds); header keys and absurd numbers are tested on short texts.
#include "reports/erase_report.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace varnet {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// A port whose record holds what the flash-ID readout and an earlier report
// left: flash IDs and counts the erase reader keeps, statistics it clears.
struct Port {
    std::unique_ptr<ST_PORT_RESULT> result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList badBlocks;

    Port() {
        ST_PORT_RESULT& r = *result;
        r.flashId[0] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x04};
        r.flashCount = 8;
        r.channelCount = 1;
        r.planeCount = 4;
        r.resultKind = kResultScanBad;
        r.earlyBad[5][5][3] = 77;
        r.stationName = "old";
        r.badBlockLoaded = 1;
        r.portRunning = 1;
        badBlocks.push_back(BAD_BLOCK_INFO{});
    }
    PortReport Report() { return PortReport{*result, badBlocks, nullptr}; }
};

struct Cell {
    int ce;
    int die;
    std::array<int32_t, 4> early;
    std::array<int32_t, 4> later;
};

// Every cell not listed must be 0, so a value read into the wrong place shows.
void ExpectCells(const ST_PORT_RESULT& r, const std::vector<Cell>& cells) {
    PlaneCounts early{};
    PlaneCounts later{};
    int64_t earlyTotal = 0;
    int64_t laterTotal = 0;
    for (const Cell& c : cells) {
        early[c.ce][c.die] = c.early;
        later[c.ce][c.die] = c.later;
        for (int p = 0; p < 4; ++p) {
            earlyTotal += c.early[p];
            laterTotal += c.later[p];
        }
    }
    EXPECT_EQ(r.earlyBad, early);
    EXPECT_EQ(r.laterBad, later);
    EXPECT_EQ(r.earlyBadTotal, earlyTotal);
    EXPECT_EQ(r.laterBadTotal, laterTotal);
    EXPECT_EQ(r.allBadTotal, earlyTotal + laterTotal);
    for (const Cell& c : cells) {
        EXPECT_EQ(r.laterBadPerDie[c.ce][c.die], c.later[0] + c.later[1] + c.later[2] + c.later[3]);
        for (int p = 0; p < 4; ++p)
            EXPECT_EQ(r.totalBad[c.ce][c.die][p], c.early[p] + c.later[p]);
    }
}

struct Headers {
    const char* ispFw = "";
    int stationSel = 0;
    const char* stationName = "";
    const char* processTime = "";
    int diePerFlash = 0;
};

struct FixtureCase {
    const char* name;
    const char* file;
    std::vector<Cell> cells;
    Headers headers = {};
};

const FixtureCase kFixtures[] = {
    {"counts after the erase, not the pretest's",
     "full.txt",
     {{0, 0, {3, 0, 1, 2}, {0, 1, 0, 0}},
      {0, 1, {0, 4, 0, 0}, {}},
      {1, 0, {1, 1, 1, 1}, {2, 0, 0, 1}},
      {1, 1, {0, 0, 5, 0}, {}}},
     {"V3.1.0.7", 3, "04_MP", "35.2", 2}},
    {"later lines before early lines are not found",
     "later_first.txt",
     {{0, 0, {5, 6}, {}}, {0, 1, {7, 8}, {}}}},
    {"key at line position 0 ignored, last value read to the line feed",
     "key_positions.txt",
     {{0, 0, {0, 6}, {}},
      {0, 1, {7, 3}, {}},
      {0, 2, {1, 0, 0, 9}, {}},
      {0, 3, {2, 4}, {}},
      {0, 4, {6, 12}, {}}}},
    {"markers out of order lost, inside other text found, other numbers ignored",
     "out_of_order.txt",
     {{0, 0, {1}, {3}}, {2, 0, {2}, {}}, {12, 0, {12}, {}}, {13, 0, {}, {5}}}},
    {"bare line feeds", "line_feeds_only.txt", {{0, 0, {3, 4}, {1, 2}}}, {"", 1, "02_RDT", "124", 1}},
};

class EraseFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(EraseFixture, ReadsCountsAndHeaders) {
    const FixtureCase& c = GetParam();
    Port port;
    ReadEraseReport(test::SourceDir() / "tests/reports/fixtures/erase" / c.file, ReportContext{},
                    port.Report());
    const ST_PORT_RESULT& r = *port.result;
    ExpectCells(r, c.cells);
    EXPECT_EQ(r.ispFwVersion, c.headers.ispFw);
    EXPECT_EQ(r.testStationSel, c.headers.stationSel);
    EXPECT_EQ(r.stationName, c.headers.stationName);
    EXPECT_EQ(r.processTime, c.headers.processTime);
    EXPECT_EQ(r.diePerFlash, c.headers.diePerFlash);
    EXPECT_EQ(r.failFlag, 0);
    EXPECT_EQ(r.resultKind, kResultErase);
    EXPECT_EQ(r.badBlockLoaded, 1);
    // The reset cleared planeCount and this report does not set it; the
    // flash-ID readout's results stay.
    EXPECT_EQ(r.planeCount, 0);
    EXPECT_EQ(r.flashCount, 8);
    EXPECT_EQ(r.channelCount, 1);
    EXPECT_EQ(r.flashId[0][0], 0x98);
    EXPECT_EQ(r.portRunning, 1);
    EXPECT_TRUE(port.badBlocks.empty());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EraseFixture, ::testing::ValuesIn(kFixtures),
                         [](const auto& param) { return test::CaseName(param.param.name); });

struct HeaderCase {
    const char* name;
    const char* text;
    std::string (*field)(const ST_PORT_RESULT&);
    const char* expected;
};

std::string IspFw(const ST_PORT_RESULT& r) {
    return r.ispFwVersion;
}
std::string StationSel(const ST_PORT_RESULT& r) {
    return std::to_string(r.testStationSel);
}
std::string StationName(const ST_PORT_RESULT& r) {
    return r.stationName;
}
std::string ProcessTime(const ST_PORT_RESULT& r) {
    return r.processTime;
}
std::string DiePerFlash(const ST_PORT_RESULT& r) {
    return std::to_string(r.diePerFlash);
}
std::string FailFlag(const ST_PORT_RESULT& r) {
    return std::to_string(r.failFlag);
}

const HeaderCase kHeaders[] = {
    {"ISP FW trimmed", "ISP FW:  V1.2 , x", IspFw, "V1.2"},
    {"ISP FW comma right after the key", "ISP FW: ,V1.2,", IspFw, ""},
    {"ISP FW without comma", "ISP FW: V1.2\r\n", IspFw, ""},
    {"station 7", "[General Info]\r\nTestStationSel=7\r\nStation: x\r\n", StationName, "08_ScanBad"},
    {"station index taken mod 8", "[General Info]\r\nTestStationSel=11\r\nStation:\r\n", StationName,
     "04_MP"},
    {"station index kept as a byte", "[general info]\r\nteststationsel = 260\r\n", StationSel, "4"},
    {"byte station index names the station", "[General Info]\r\nTestStationSel=260\r\nStation:\r\n",
     StationName, "05_ReMP"},
    {"TestStationSel outside General Info", "[Other]\r\nTestStationSel=3\r\nStation:\r\n", StationName,
     "01_EraseAll"},
    {"no Station: key, no station name", "[General Info]\r\nTestStationSel=3\r\n", StationName, ""},
    {"process time before CR LF", "Process Total take(sec): 12.5\r\n", ProcessTime, "12.5"},
    {"process time before a bare LF keeps its last digit", "Process Total take(sec): 125\n", ProcessTime,
     "125"},
    {"process time without line feed", "Process Total take(sec): 125", ProcessTime, ""},
    {"DiePerFlash", "DiePerFlash= 4 ,", DiePerFlash, "4"},
    {"DiePerFlash without comma", "DiePerFlash=4\r\n", DiePerFlash, "0"},
    {"fail message", "x\r\n[ Fail ]  Error Message : Erase timeout\r\n", FailFlag, "1"},
    {"fail message needs both blanks", "[ Fail ] Error Message : x\r\n", FailFlag, "0"},
};

class EraseHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(EraseHeader, ReadsTheKey) {
    const HeaderCase& c = GetParam();
    Port port;
    ReadEraseReportText(c.text, ReportContext{}, port.Report());
    EXPECT_EQ(c.field(*port.result), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, EraseHeader, ::testing::ValuesIn(kHeaders),
                         [](const auto& param) { return test::CaseName(param.param.name); });

TEST(EraseReport, AbsurdCountsSaturateInsteadOfWrapping) {
    Port port;
    ReadEraseReportText(
        "Do EraseAll,\r\n"
        "CENo_0/Die_0-> Early Bad Count: Plane0=99999999999, Plane1=2147483647, "
        "Plane2=-99999999999, Plane3=7\r\n"
        "CENo_0/Die_1-> Early Bad Count: Plane0=2147483647, Plane1=2147483647\r\n"
        "CENo_0/Die_0-> Later Bad Count: Plane0=5, Plane1=2147483647, Plane2=-5, Plane3=1\r\n",
        ReportContext{}, port.Report());
    const ST_PORT_RESULT& r = *port.result;
    EXPECT_EQ(r.earlyBad[0][0], (std::array<int32_t, 4>{kMax, kMax, kMin, 7}));
    EXPECT_EQ(r.totalBad[0][0], (std::array<int32_t, 4>{kMax, kMax, kMin, 8}));
    EXPECT_EQ(r.laterBadPerDie[0][0], kMax);
    EXPECT_EQ(r.earlyBadTotal, kMax);
    EXPECT_EQ(r.laterBadTotal, kMax);
    EXPECT_EQ(r.allBadTotal, kMax);

    ReadEraseReportText(
        "CENo_3/Die_7-> Early Bad Count: Plane0=-2147483648, Plane1=-9, Plane2=-99999999999\n",
        ReportContext{}, port.Report());
    EXPECT_EQ(r.earlyBadTotal, kMin);
    EXPECT_EQ(r.allBadTotal, kMin);
}

// An absent report must not read as a drive without bad blocks.
TEST(EraseReport, MissingOrUnreadableFileChangesNothing) {
    test::TempDir dir;
    for (const std::filesystem::path& path : {dir / "Report_EraseAll_1.txt", dir.path()}) {
        Port port;
        ReadEraseReport(path, ReportContext{}, port.Report());
        EXPECT_EQ(port.result->stationName, "old");
        EXPECT_EQ(port.result->earlyBad[5][5][3], 77);
        EXPECT_EQ(port.result->planeCount, 4);
        EXPECT_EQ(port.result->resultKind, kResultScanBad);
        EXPECT_EQ(port.badBlocks.size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Report_EraseAll_1.txt"));
}

} // namespace
} // namespace varnet
