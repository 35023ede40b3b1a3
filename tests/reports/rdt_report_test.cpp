// Reading the burn-in report: fixtures/rdt/full.txt holds every part once and
// is read under the CE scopes that matter; the older fail-list layout has a
// fixture of its own; single behaviours (temperature tables, speed errors,
// limits, the fail-row fields, absurd numbers) are tested on short texts.
#include "reports/rdt_report.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace varnet {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct Port {
    std::unique_ptr<ST_PORT_RESULT> result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList badBlocks;
    int32_t readProgress = -1;
    PortReport Report() { return PortReport{*result, badBlocks, &readProgress}; }
};

std::filesystem::path Fixture(const char* name) {
    return test::SourceDir() / "tests/reports/fixtures/rdt" / name;
}

// Reports are written with CRLF line ends; the short texts below are typed
// with bare line feeds and converted.
std::string Crlf(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string Label(const BAD_BLOCK_INFO& e) {
    return e.label.data();
}

ReportContext Masked(uint32_t mask, uint8_t station = 1) {
    ReportContext context;
    context.enableCeMask = 1;
    context.setCeMask = mask;
    context.testStationSel = station;
    return context;
}

TEST(RdtReport, ReadsEveryPartOfTheReport) {
    Port port;
    port.result->flashCount = 8;
    port.result->reportPath = "./Log/rdt.txt";
    ReadRdtReport(Fixture("full.txt"), ReportContext{}, port.Report());
    const ST_PORT_RESULT& r = *port.result;

    EXPECT_EQ(r.failFlag, 1);
    EXPECT_EQ(r.ispFwVersion, "V3.1.0.7");
    EXPECT_EQ(r.testStationSel, 1);
    EXPECT_EQ(r.stationName, "02_RDT");
    EXPECT_EQ(r.rdtFwVersion, "R2.0.1.5");
    EXPECT_EQ(r.processTime, "12:34:56");
    EXPECT_EQ(r.diePerFlash, 2);
    EXPECT_EQ(r.tlcLoop, 3000);
    EXPECT_EQ(r.slcLoop, 30000);
    EXPECT_EQ(r.eccThreshold, 60);
    EXPECT_EQ(r.slcEccThreshold, 40);

    EXPECT_EQ(r.totalBad[0][0][0], 3);
    EXPECT_EQ(r.earlyBad[0][0][1], 5);
    EXPECT_EQ(r.laterBad[0][1][0], 3);
    EXPECT_EQ(r.laterBad[1][0][3], 2);
    EXPECT_EQ(r.totalBad[9][1][2], 7);
    EXPECT_EQ(r.allBadTotal, 21); // the report's "All Bad", not early + later
    EXPECT_EQ(r.earlyBadTotal, 14);
    EXPECT_EQ(r.laterBadTotal, 7);
    EXPECT_EQ(r.laterBadPerDie[0][0], 1);
    EXPECT_EQ(r.laterBadPerDie[0][1], 3);
    EXPECT_EQ(r.laterBadPerDie[9][1], 1);

    EXPECT_EQ(r.maxTemperature, "84°C");
    EXPECT_EQ(r.maxLaterBad, 12); // the limits line wins over FailTotalLimitSel
    EXPECT_EQ(r.maxEraseFail, 2);
    EXPECT_EQ(r.maxProgramFail, 2);
    EXPECT_EQ(r.maxReadFail, 4);
    EXPECT_EQ(r.enableMaxFail, 1);
    EXPECT_EQ(r.retentionMark, 1);
    EXPECT_EQ(r.retentionTest, 1);
    EXPECT_EQ(r.speedFailMask, (1u << 1) | (1u << 12));

    const std::vector<std::string> labels = {"Early Bad",    "Read over threshold", "Read uncorrectable",
                                             "Read Data 00", "Read retry fail",     "Erase Fail",
                                             "Program Fail", "Power loss"};
    ASSERT_EQ(port.badBlocks.size(), labels.size());
    for (size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(Label(port.badBlocks[i]), labels[i]) << i;
    EXPECT_EQ(r.readFailTotal, 4);
    EXPECT_EQ(r.eraseFailTotal, 1);
    EXPECT_EQ(r.programFailTotal, 1);

    const BAD_BLOCK_INFO& factory = port.badBlocks[0];
    EXPECT_EQ(factory.block, 0x1A2);
    EXPECT_EQ(factory.plane, 1);
    EXPECT_EQ(factory.totalLoop, 3000);
    EXPECT_EQ(factory.step, 0); // "NA"
    EXPECT_EQ(factory.timeStamp, 0);
    const BAD_BLOCK_INFO& overThreshold = port.badBlocks[1];
    EXPECT_EQ(overThreshold.ce, 1);
    EXPECT_EQ(overThreshold.plane, 2);
    EXPECT_EQ(overThreshold.block, 0x3F);
    EXPECT_EQ(overThreshold.page, 17);
    EXPECT_EQ(overThreshold.runLoop, 1200);
    EXPECT_EQ(overThreshold.runCycle, 5);
    EXPECT_EQ(overThreshold.step, 12);
    EXPECT_EQ(overThreshold.stage, 2);
    EXPECT_EQ(overThreshold.overThresholdBits, 75);
    EXPECT_EQ(overThreshold.timeStamp, 1718000000);
    EXPECT_EQ(port.badBlocks[4].channel, 1);
    EXPECT_EQ(port.badBlocks[4].die, 0);

    EXPECT_EQ(r.badBlockLoaded, 1);
    EXPECT_EQ(r.resultKind, kResultRdt);
    EXPECT_EQ(port.readProgress, 100);
    EXPECT_EQ(r.flashCount, 8);
    EXPECT_EQ(r.reportPath, "./Log/rdt.txt");
}

// The same report under the CE scopes: with a mask in force the plane counts
// and fail rows of CE 9 neither count nor show; at the RDT result station the
// mask does not apply.
struct ScopeCase {
    const char* name;
    ReportContext context;
    int32_t allBadTotal;
    int32_t laterBadTotal;
    int32_t laterBadOfCe9;
    size_t entries;
    int32_t readFailTotal;
};

const ScopeCase kScopes[] = {
    {"no mask", ReportContext{}, 21, 7, 1, 8, 4},
    {"mask of CE 0 and 1", Masked(0x3), 14, 6, 0, 7, 3},
    {"mask at the RDT result station", Masked(0x3, 2), 21, 7, 1, 8, 4},
    {"mask of CE 9 only", Masked(1u << 9), 7, 1, 1, 1, 1},
};

void PrintTo(const ScopeCase& c, std::ostream* os) {
    *os << c.name;
}

class RdtScope : public ::testing::TestWithParam<ScopeCase> {};

TEST_P(RdtScope, CountsAndListsOnlyCesInScope) {
    const ScopeCase& c = GetParam();
    Port port;
    ReadRdtReport(Fixture("full.txt"), c.context, port.Report());
    EXPECT_EQ(port.result->allBadTotal, c.allBadTotal);
    EXPECT_EQ(port.result->laterBadTotal, c.laterBadTotal);
    EXPECT_EQ(port.result->laterBad[9][1][2], c.laterBadOfCe9);
    EXPECT_EQ(port.badBlocks.size(), c.entries);
    EXPECT_EQ(port.result->readFailTotal, c.readFailTotal);
    for (const BAD_BLOCK_INFO& e : port.badBlocks)
        EXPECT_TRUE(c.context.CeInScope(e.ce)) << int{e.ce};
}

INSTANTIATE_TEST_SUITE_P(Scopes, RdtScope, ::testing::ValuesIn(kScopes),
                         [](const auto& param) { return test::CaseName(param.param.name); });

TEST(RdtReport, OlderLayoutRowsBeginAfterTheSettingsLineAndItsUnderline) {
    Port port;
    ReadRdtReport(Fixture("legacy_fail_list.txt"), ReportContext{}, port.Report());
    const ST_PORT_RESULT& r = *port.result;
    EXPECT_EQ(r.maxLaterBad, 10);
    EXPECT_EQ(r.enableMaxFail, 0);
    EXPECT_EQ(r.tlcLoop, 2000);
    EXPECT_EQ(r.slcEccThreshold, 30);
    ASSERT_EQ(port.badBlocks.size(), 2u); // the empty line ends the list
    EXPECT_EQ(Label(port.badBlocks[0]), "Erase Fail");
    EXPECT_EQ(port.badBlocks[0].block, 0x10);
    EXPECT_EQ(Label(port.badBlocks[1]), "Program Fail");
    EXPECT_EQ(r.eraseFailTotal, 1);
    EXPECT_EQ(r.programFailTotal, 1);
    EXPECT_EQ(r.readFailTotal, 0);
}

// A missing or unreadable report must not read as a clean drive: nothing of
// the earlier result changes and no file appears.
TEST(RdtReport, MissingOrUnreadableReportChangesNothing) {
    test::TempDir dir;
    for (const std::filesystem::path& path : {dir / "missing.txt", dir.path()}) {
        Port port;
        port.result->laterBadTotal = 40;
        port.result->resultKind = kResultErase;
        port.result->stationName = "01_EraseAll";
        port.badBlocks.push_back(BAD_BLOCK_INFO{});
        port.readProgress = 55;
        ReadRdtReport(path, ReportContext{}, port.Report());
        EXPECT_EQ(port.readProgress, 0);
        EXPECT_EQ(port.result->laterBadTotal, 40);
        EXPECT_EQ(port.result->resultKind, kResultErase);
        EXPECT_EQ(port.result->badBlockLoaded, 0);
        EXPECT_EQ(port.result->stationName, "01_EraseAll");
        EXPECT_EQ(port.badBlocks.size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt"));
}

// Short texts, one behaviour each.
struct TextCase {
    const char* name;
    std::string text;
    ReportContext context;
    std::function<void(const ST_PORT_RESULT&, const BadBlockList&)> expect;
    bool crlf = true; // false: the text keeps its bare line feeds
};

ReportContext Language(int language) {
    ReportContext context;
    context.uiLanguage = language;
    return context;
}

const std::string kTemperature8 = "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)\n";
const std::string kLimits7 =
    "Limits (max later bad, max later bad per CE, max later bad per plane per CE, max erase "
    "fail, max program fail, max read fail, enable max fail) = ";
const std::string kFailHeader =
    "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,"
    "Run Cycle,Step number,Stage number,Over threshold correctable bit,Time Stamp\n";
const std::string kPlaneBlock = "Setting Total Later Bad Spec Per Die = 10\n";

const TextCase kTextCases[] = {
    {"9-column table read from its own columns, an extra comma ends it",
     "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)\n"
     "7,99,3,40,41,42,43,44,45,99999\n"
     "DDR Test 1\n"
     "7,99,4,50,41,42,43,44,46,99999\n"
     "8,99,1,90,90,90,90,90,90,99999,1\n"
     "8,99,2,95,95,95,95,95,95,99999\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) { EXPECT_EQ(r.maxTemperature, "50°C"); }},
    {"8-column table continues after a DDR Test line",
     kTemperature8 + "0,1,30,31,32,33,34,35,100\nDDR Test pass\n0,2,30,31,32,33,34,60,100\n"
                     "0,3,90,90,90,90,90,90,100,7\n0,4,95,95,95,95,95,95,100\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) { EXPECT_EQ(r.maxTemperature, "60°C"); }},
    {"Chinese interface writes the Celsius sign", kTemperature8 + "0,1,30,31,32,33,34,60,100\n", Language(1),
     [](const ST_PORT_RESULT& r, const BadBlockList&) { EXPECT_EQ(r.maxTemperature, "60℃"); }},
    {"temperatures compared as unsigned numbers",
     kTemperature8 + "0,1,30,31,32,-5,34,60,100\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) { EXPECT_EQ(r.maxTemperature, "-5°C"); }},
    {"table without a reading leaves the text empty",
     kTemperature8 + "\n0,1,30,31,32,33,34,60,100\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) { EXPECT_EQ(r.maxTemperature, ""); }},
    {"speed errors by whole CE number",
     "[Error]Test TLC Speed Over SPEC in CE_12\n[Error]Test SLC Speed Over SPEC in CE_3\n"
     "[Error]Test TLC Speed Over SPEC in CE_01\n[Error]Test TLC Speed Over SPEC in CE_40\n"
     "[Error]Test XLC Speed Over SPEC in CE_5\n[Error]Test SLC Speed Over SPEC in CE_31",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.speedFailMask, (1u << 12) | (1u << 3) | (1u << 31));
     }},
    {"settings value without its separator is skipped, the next read from the same place",
     "RDT setting (TLC/MLC loop, SLC loop, ECC threshold, SLC ECC threshold) = (3000, 30000):\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.tlcLoop, 3000);
         EXPECT_EQ(r.slcLoop, 0);
         EXPECT_EQ(r.eccThreshold, 0);
         EXPECT_EQ(r.slcEccThreshold, 30000);
     }},
    {"header texts keep their last character with bare line feeds",
     "x\nRDT FW : R2.0\nTotal testing time= 01:02:03 \nDie per CE=4\nISP FW: ,\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.rdtFwVersion, "R2.0");
         EXPECT_EQ(r.processTime, "01:02:03");
         EXPECT_EQ(r.diePerFlash, 4);
         EXPECT_EQ(r.ispFwVersion, "");
         EXPECT_EQ(r.stationName, "");
     },
     false},
    {"three limits: later bad only",
     "x (max later bad, max later bad per CE, max later bad per plane per CE) = (7, 5, 2)\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.maxLaterBad, 7);
         EXPECT_EQ(r.enableMaxFail, 0);
     }},
    {"limits line at the very start is not read",
     "(max later bad, max later bad per CE, max later bad per plane per CE) = (7, 5, 2)\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) { EXPECT_EQ(r.maxLaterBad, 0); }},
    {"seven limits",
     kLimits7 + "(12, 6, 3, 2, 1, 4, 1)\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.maxLaterBad, 12);
         EXPECT_EQ(r.maxEraseFail, 2);
         EXPECT_EQ(r.maxProgramFail, 1);
         EXPECT_EQ(r.maxReadFail, 4);
         EXPECT_EQ(r.enableMaxFail, 1);
     }},
    {"seven limits cut short keep what was read",
     kLimits7 + "(12, 6, 3, 2, 1\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.maxLaterBad, 12);
         EXPECT_EQ(r.maxEraseFail, 2);
         EXPECT_EQ(r.maxProgramFail, 0);
         EXPECT_EQ(r.enableMaxFail, 0);
     }},
    {"seven limits starting with a comma read nothing",
     kLimits7 + "(, 6, 3, 2, 1, 4, 1)\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.maxEraseFail, 0);
         EXPECT_EQ(r.enableMaxFail, 0);
     }},
    {"FailTotalLimitSel 1 means no limit",
     "[RDT]\nFailTotalLimitSel=1\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.enableMaxFail, 0);
         EXPECT_EQ(r.maxLaterBad, 0);
     }},
    {"FailTotalLimitSel 6 sets a later-bad limit of 5",
     "[RDT]\nFailTotalLimitSel=6\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.enableMaxFail, 1);
         EXPECT_EQ(r.maxLaterBad, 5);
     }},
    {"station selections replace the limits the line left disabled",
     kLimits7 + "(12, 6, 3, 2, 1, 4, 0)\n[rdt]\n failprogramlimitsel = 4\nFailReadLimitSel=\"0\"\n"
                "[RDT]\nFailEraseLimitSel=9\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.enableMaxFail, 1);
         EXPECT_EQ(r.maxProgramFail, 3);
         EXPECT_EQ(r.maxEraseFail, 2); // only the first [RDT] section counts
         EXPECT_EQ(r.maxReadFail, 4);
         EXPECT_EQ(r.maxLaterBad, 12);
     }},
    {"retention keys of the Options section",
     "Write Rentention Mark\n[Options]\nRetention_Test=2\n[General Info]\nTestStationSel=13\nStation:\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.retentionMark, 1);
         EXPECT_EQ(r.retentionTest, 2);
         EXPECT_EQ(r.testStationSel, 13);
         EXPECT_EQ(r.stationName, "06_ICT");
     }},
    {"plane lines count only under their block marker",
     "CE_0,Die_0,Plane_0, All Bad=3, Early Bad=2, Later Bad=1\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.totalBad[0][0][0], 0);
         EXPECT_EQ(r.allBadTotal, 0);
     }},
    {"first plane line counts; spaces taken out of all and early, not later",
     kPlaneBlock + "CE_2,Die_3,Plane_1, All Bad=1 2, Early Bad= 1 1, Later Bad= 1 2\n"
                   "CE_2,Die_3,Plane_1, All Bad=9, Early Bad=9, Later Bad=9\n"
                   "ACE_12,Die_0,Plane_0, All Bad=4, Early Bad=4, Later Bad=0\n"
                   "CE_012,Die_0,Plane_0, All Bad=8, Early Bad=8, Later Bad=8\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.totalBad[2][3][1], 12);
         EXPECT_EQ(r.earlyBad[2][3][1], 11);
         EXPECT_EQ(r.laterBad[2][3][1], 1);
         EXPECT_EQ(r.totalBad[12][0][0], 4);
         EXPECT_EQ(r.allBadTotal, 16);
     }},
    {"a plane line without a count takes it from the next line",
     kPlaneBlock +
         "CE_0,Die_0,Plane_0, Later Bad=1\nCE_0,Die_0,Plane_1, All Bad=6, Early Bad=5, Later Bad=1\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.totalBad[0][0][0], 6);
         EXPECT_EQ(r.earlyBad[0][0][0], 5);
         EXPECT_EQ(r.laterBad[0][0][0], 1);
     }},
    {"absurd plane counts saturate and their sums clamp",
     kPlaneBlock + "CE_0,Die_0,Plane_0, All Bad=1000000000000000000000000000000, Early Bad=-2147483648, "
                   "Later Bad=2147483647\n"
                   "CE_0,Die_0,Plane_1, All Bad=99999999999, Early Bad=-99999999999, Later Bad=5\n"
                   "CE_40,Die_0,Plane_0, All Bad=1, Early Bad=1, Later Bad=1\n"
                   "CE_0,Die_9,Plane_0, All Bad=1, Early Bad=1, Later Bad=1\n"
                   "CE_0,Die_0,Plane_4, All Bad=1, Early Bad=1, Later Bad=1\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList&) {
         EXPECT_EQ(r.totalBad[0][0][0], kMax);
         EXPECT_EQ(r.allBadTotal, kMax);
         EXPECT_EQ(r.earlyBadTotal, kMin);
         EXPECT_EQ(r.laterBadTotal, kMax);
         EXPECT_EQ(r.laterBadPerDie[0][0], kMax);
     }},
    {"fail rows: an empty field leaves every later comma field unread",
     kFailHeader + "Erase fail,,1,2,0x5,1,1,1,1,1,1,1,9\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList& list) {
         ASSERT_EQ(list.size(), 1u);
         EXPECT_EQ(Label(list[0]), "Erase Fail");
         EXPECT_EQ(list[0].channel, 0);
         EXPECT_EQ(list[0].block, 0);
         EXPECT_EQ(list[0].timeStamp, 0); // the rest of the line, ",1,2,...", reads 0
         EXPECT_EQ(r.eraseFailTotal, 1);
     }},
    {"fail rows: hexadecimal blocks, NA fields, list ends at the plane block",
     kFailHeader +
         " Read retry fail , 3 , 0 , 1 , 0x1A2 , 9 , 3000 , 7 , 2 , NA , 4 , 75 NA , 77\n"
         "Program fail,2,0,1,1a2,0,0,0,0,0,0,0,0\n" +
         kPlaneBlock + "Program fail,2,0,1,0x7,0,0,0,0,0,0,0,0\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList& list) {
         ASSERT_EQ(list.size(), 2u);
         EXPECT_EQ(Label(list[0]), "Read retry fail");
         EXPECT_EQ(list[0].block, 418);
         EXPECT_EQ(list[0].step, 0);
         EXPECT_EQ(list[0].stage, 4);
         EXPECT_EQ(list[0].overThresholdBits, 0);
         EXPECT_EQ(list[0].timeStamp, 77);
         EXPECT_EQ(list[1].block, 418);
         EXPECT_EQ(r.readFailTotal, 1);
         EXPECT_EQ(r.programFailTotal, 1);
     }},
    {"fail rows: a last row without a line feed is not read",
     kFailHeader + "Erase fail,0,0,0,0x1,0,0,0,0,0,0,0,0\nErase fail,0,0,0,0x2,0,0,0,0,0,0,0,0",
     {},
     [](const ST_PORT_RESULT&, const BadBlockList& list) { EXPECT_EQ(list.size(), 1u); }},
    {"fail rows: settings line first in its line is a row",
     "x (max later bad, max later bad per CE, max later bad per plane per CE) = (7, 5, 2)\n"
     "(TLC/MLC loop, SLC loop, ECC threshold, SLC ECC threshold) = (3000, 30000, 60, 40):\n"
     "Erase fail,0,0,0,0x1,0,0,0,0,0,0,0,0\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList& list) {
         ASSERT_EQ(list.size(), 2u);
         EXPECT_EQ(r.tlcLoop, 3000);
         EXPECT_EQ(Label(list[1]), "Erase Fail");
     }},
    {"fail rows: absurd numbers held as what fits",
     kFailHeader +
         "Read uncorrectable fail,300,-1,7,0xFFFFFFFFF,1000000000000000000000000000000,-5,0,0,0,0,0,0\n"
         "Erase fail,33,4,255,-0x10,0,0,0,0,0,0,0,0\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList& list) {
         ASSERT_EQ(list.size(), 2u);
         EXPECT_EQ(list[0].ce, 255);
         EXPECT_EQ(list[0].channel, 255);
         EXPECT_EQ(list[0].plane, 7);
         EXPECT_EQ(list[0].block, kMax);
         EXPECT_EQ(list[0].page, kMax);
         EXPECT_EQ(list[0].totalLoop, -5);
         EXPECT_EQ(list[1].ce, 33);
         EXPECT_EQ(list[1].plane, 255);
         EXPECT_EQ(list[1].block, -16);
         EXPECT_EQ(r.readFailTotal, 1);
         EXPECT_EQ(r.eraseFailTotal, 1);
     }},
    {"fail rows of CEs beyond 31 are out of scope under a mask",
     kFailHeader +
         "Read uncorrectable fail,300,0,0,0x1,0,0,0,0,0,0,0,0\nErase fail,33,0,0,0x1,0,0,0,0,0,0,0,0\n"
         "Erase fail,1,0,0,0x1,0,0,0,0,0,0,0,0\n",
     Masked(0xFFFFFFFFu),
     [](const ST_PORT_RESULT& r, const BadBlockList& list) {
         ASSERT_EQ(list.size(), 1u);
         EXPECT_EQ(list[0].ce, 1);
         EXPECT_EQ(r.readFailTotal, 0);
         EXPECT_EQ(r.eraseFailTotal, 1);
     }},
    {"rows beyond the bad-block total or none at all keep the progress in range",
     kPlaneBlock + "CE_0,Die_0,Plane_0, All Bad=-5, Early Bad=0, Later Bad=0\n" + kFailHeader +
         "Erase fail,0,0,0,0x1,0,0,0,0,0,0,0,0\nErase fail,0,0,0,0x1,0,0,0,0,0,0,0,0\n",
     {},
     [](const ST_PORT_RESULT& r, const BadBlockList& list) {
         EXPECT_EQ(r.allBadTotal, -5);
         EXPECT_EQ(list.size(), 2u);
     }},
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class RdtText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RdtText, Reads) {
    const TextCase& c = GetParam();
    Port port;
    ReadRdtReportText(c.crlf ? Crlf(c.text) : c.text, c.context, port.Report());
    c.expect(*port.result, port.badBlocks);
    EXPECT_EQ(port.readProgress, 100);
    EXPECT_EQ(port.result->resultKind, kResultRdt);
}

INSTANTIATE_TEST_SUITE_P(Cases, RdtText, ::testing::ValuesIn(kTextCases),
                         [](const auto& param) { return test::CaseName(param.param.name); });

} // namespace
} // namespace varnet
