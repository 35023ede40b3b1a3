// The burn-in pass rule: a table over its five rules in their order, with
// the unsigned comparisons that make a negative count fail; and the rule
// applied to a report that names no limits.
#include "reports/rdt_pass.h"
#include "reports/rdt_report.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace varnet {
namespace {

ReportContext Mask(uint32_t mask, uint8_t station = 1) {
    ReportContext context;
    context.enableCeMask = 1;
    context.setCeMask = mask;
    context.testStationSel = station;
    return context;
}

struct PassCase {
    const char* name;
    std::function<void(ST_PORT_RESULT&)> set;
    ReportContext context;
    bool pass;
};

void PrintTo(const PassCase& c, std::ostream* os) {
    *os << c.name;
}

void Limits(ST_PORT_RESULT& r) {
    r.enableMaxFail = 1;
    r.maxLaterBad = 5;
    r.maxEraseFail = 3;
    r.maxProgramFail = 3;
    r.maxReadFail = 3;
}

const PassCase kCases[] = {
    // 1: a retention test run passes whatever else the record says.
    {"retention test 2 passes everything",
     [](ST_PORT_RESULT& r) {
         r.retentionTest = 2;
         r.laterBadTotal = 500;
         r.enableMaxFail = 1;
     },
     {},
     true},
    {"retention test 1 decides nothing",
     [](ST_PORT_RESULT& r) { r.retentionTest = 1, r.laterBadTotal = 11; },
     {},
     false},
    // 2: the limits the report or the station gave.
    {"limits: later bad over its limit fails", [](ST_PORT_RESULT& r) { Limits(r), r.laterBadTotal = 6; },
     Mask(1), false},
    {"limits: later bad at its limit, fails under theirs, passes",
     [](ST_PORT_RESULT& r) {
         Limits(r);
         r.laterBadTotal = 5;
         r.eraseFailTotal = r.programFailTotal = r.readFailTotal = 3;
     },
     {},
     true},
    {"limits: an erase failure over its limit fails",
     [](ST_PORT_RESULT& r) { Limits(r), r.eraseFailTotal = 4; },
     {},
     false},
    {"limits: a read failure over its limit fails",
     [](ST_PORT_RESULT& r) { Limits(r), r.readFailTotal = 4; },
     {},
     false},
    {"limits: fail totals are not judged under a CE mask",
     [](ST_PORT_RESULT& r) { Limits(r), r.programFailTotal = 40; }, Mask(1), true},
    {"limits: a negative later-bad total is over every limit",
     [](ST_PORT_RESULT& r) { Limits(r), r.laterBadTotal = -1; },
     {},
     false},
    {"limits: a negative limit is no limit",
     [](ST_PORT_RESULT& r) { Limits(r), r.maxLaterBad = -1, r.laterBadTotal = 9000; },
     {},
     true},
    {"limits come before the retention mark",
     [](ST_PORT_RESULT& r) {
         Limits(r);
         r.retentionMark = 1;
         r.laterBadPerDie[0][0] = 11;
     },
     {},
     true},
    // 3: after a retention run every die of the CEs in scope is judged.
    {"retention mark: a die with 11 later bad fails",
     [](ST_PORT_RESULT& r) { r.retentionMark = 1, r.laterBadPerDie[7][3] = 11; },
     {},
     false},
    {"retention mark: 10 per die pass whatever the total",
     [](ST_PORT_RESULT& r) {
         r.retentionMark = 1;
         r.laterBadPerDie[0][0] = r.laterBadPerDie[0][1] = 10;
         r.laterBadTotal = 20;
         r.readFailTotal = 30;
     },
     {},
     true},
    {"retention mark: a die of a CE outside the mask is not judged",
     [](ST_PORT_RESULT& r) { r.retentionMark = 1, r.laterBadPerDie[7][3] = 11; }, Mask(~(1u << 7)), true},
    {"retention mark: the mask holds at the RDT result station too",
     [](ST_PORT_RESULT& r) { r.retentionMark = 1, r.laterBadPerDie[7][3] = 11; }, Mask(~(1u << 7), 2), true},
    {"retention mark: a negative die count fails",
     [](ST_PORT_RESULT& r) { r.retentionMark = 1, r.laterBadPerDie[31][7] = -3; },
     {},
     false},
    // 4: a scan result allows nothing.
    {"scan result: one later bad block fails",
     [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad, r.laterBadTotal = 1; }, Mask(1), false},
    {"scan result: one failure fails",
     [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad, r.programFailTotal = 1; },
     {},
     false},
    {"scan result: failures are not judged under a CE mask",
     [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad, r.programFailTotal = 1; }, Mask(1), true},
    {"scan result: clean passes", [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad; }, {}, true},
    // 5: the built-in limit of 10.
    {"built-in limit: 10 later bad pass",
     [](ST_PORT_RESULT& r) { r.laterBadTotal = 10, r.readFailTotal = 10; },
     {},
     true},
    {"built-in limit: 11 later bad fail", [](ST_PORT_RESULT& r) { r.laterBadTotal = 11; }, Mask(1), false},
    {"built-in limit: 11 erase failures fail", [](ST_PORT_RESULT& r) { r.eraseFailTotal = 11; }, {}, false},
    {"built-in limit: failures are not judged under a CE mask",
     [](ST_PORT_RESULT& r) { r.eraseFailTotal = 11; }, Mask(1), true},
    {"built-in limit: a negative read total fails",
     [](ST_PORT_RESULT& r) { r.readFailTotal = -1; },
     {},
     false},
};

class RdtPass : public ::testing::TestWithParam<PassCase> {};

TEST_P(RdtPass, Judges) {
    const PassCase& c = GetParam();
    auto r = std::make_unique<ST_PORT_RESULT>();
    r->resultKind = kResultRdt;
    c.set(*r);
    EXPECT_EQ(IsRdtPass(*r, c.context), c.pass);
}

INSTANTIATE_TEST_SUITE_P(Rules, RdtPass, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return test::CaseName(param.param.name); });

// A report with neither a limits line nor limit selections is judged by the
// built-in limit: 10 later bad blocks pass, 11 fail.
TEST(RdtPassOfReport, BuiltInLimitWhenTheReportNamesNone) {
    for (const int later : {10, 11}) {
        const std::string text = "Setting Total Later Bad Spec Per Die = 10\r\n"
                                 "CE_0,Die_0,Plane_0, All Bad=20, Early Bad=14, Later Bad=6\r\n"
                                 "CE_3,Die_1,Plane_2, All Bad=4, Early Bad=0, Later Bad=" +
                                 std::to_string(later - 6) + "\r\n[RDT]\r\nFailTotalLimitSel=1\r\n";
        auto r = std::make_unique<ST_PORT_RESULT>();
        BadBlockList list;
        ReadRdtReportText(text, ReportContext{}, PortReport{*r, list, nullptr});
        ASSERT_EQ(r->laterBadTotal, later);
        ASSERT_EQ(r->enableMaxFail, 0);
        EXPECT_EQ(IsRdtPass(*r, ReportContext{}), later == 10) << later;
    }
}

} // namespace
} // namespace varnet
