// The result pages' judgements of a port's record without a screen: which
// CEs are listed, which dies and CEs are marked over their limits, and the
// load animation's value.
#include "reports/result_rules.h"

#include <gtest/gtest.h>

namespace varnet {
namespace {

TEST(RdtResultRules, DieOverLimitAndListedCes) {
    struct Case {
        const char* name;
        void (*set)(ST_PORT_RESULT&);
        int32_t later;
        bool over;
    };
    const Case cases[] = {
        {"no limits in force", [](ST_PORT_RESULT&) {}, 50, false},
        {"at the report's limit", [](ST_PORT_RESULT& r) { r.enableMaxFail = 1, r.maxLaterBad = 5; }, 5,
         false},
        {"above the report's limit", [](ST_PORT_RESULT& r) { r.enableMaxFail = 1, r.maxLaterBad = 5; }, 6,
         true},
        {"negative count compares unsigned",
         [](ST_PORT_RESULT& r) { r.enableMaxFail = 1, r.maxLaterBad = 5; }, -1, true},
        {"report's limit wins over built-in",
         [](ST_PORT_RESULT& r) { r.enableMaxFail = 1, r.maxLaterBad = 20, r.inRdtFirmware = 1; }, 15, false},
        {"retention mark, 10", [](ST_PORT_RESULT& r) { r.retentionMark = 1; }, 10, false},
        {"retention mark, 11", [](ST_PORT_RESULT& r) { r.retentionMark = 1; }, 11, true},
        {"burn-in firmware, 11", [](ST_PORT_RESULT& r) { r.inRdtFirmware = 1; }, 11, true},
        {"retention test judges nothing",
         [](ST_PORT_RESULT& r) { r.retentionTest = 2, r.enableMaxFail = 1, r.maxLaterBad = 0; }, 99, false},
        {"scan marks any grown block", [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad; }, 1, true},
        {"scan under retention test",
         [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad, r.retentionTest = 2; }, 1, true},
        {"clean scan", [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad; }, 0, false},
    };
    for (const Case& c : cases) {
        ST_PORT_RESULT r{};
        c.set(r);
        r.laterBadPerDie[4][1] = c.later;
        EXPECT_EQ(RdtDieOverLimit(r, 4, 1), c.over) << c.name;
    }

    struct Id {
        uint8_t b0, b1;
        bool listed;
    };
    for (const Id& id : {Id{0x98, 0x3C, true}, Id{0x2C, 0x2C, false}, Id{0x00, 0x3C, false},
                         Id{0x98, 0x00, false}, Id{0xFF, 0x3C, false}, Id{0x98, 0xFF, false}})
        EXPECT_EQ(IsListedCe({id.b0, id.b1, 1, 2, 3, 4, 5, 6}), id.listed) << int(id.b0) << "," << int(id.b1);

    // Floors each share before adding, so 99 of every source stays below 100.
    EXPECT_EQ(AnimationValue(99, 99, 99), 97);
    EXPECT_EQ(AnimationValue(100, 100, 100), 100);
    EXPECT_EQ(AnimationValue(50, 24, 100), 74);
}

TEST(BbTableRules, CeMarkedByTheFirstRuleThatApplies) {
    struct Case {
        const char* name;
        void (*set)(ST_PORT_RESULT&);
        std::array<int32_t, 3> dies; // later bad blocks of dies 0-2
        bool marked;
    };
    const auto maxFail = [](ST_PORT_RESULT& r) { r.enableMaxFail = 1, r.maxLaterBad = 3; };
    const Case cases[] = {
        {"report's limit, at it", maxFail, {3, 3, 3}, false},
        {"report's limit, above it on one die", maxFail, {0, 4, 0}, true},
        {"report's limit, negative compares unsigned", maxFail, {-1, 0, 0}, true},
        {"report's limit is per die, not per CE",
         [](ST_PORT_RESULT& r) { r.enableMaxFail = 1, r.maxLaterBad = 20, r.retentionMark = 1; },
         {8, 8, 8},
         false},
        {"retention mark sums the dies, 10",
         [](ST_PORT_RESULT& r) { r.retentionMark = 1; },
         {5, 5, 0},
         false},
        {"retention mark sums the dies, 11", [](ST_PORT_RESULT& r) { r.retentionMark = 1; }, {5, 0, 6}, true},
        {"burn-in firmware allows 1 per die",
         [](ST_PORT_RESULT& r) { r.inRdtFirmware = 1; },
         {1, 1, 1},
         false},
        {"burn-in firmware, 2 on a die", [](ST_PORT_RESULT& r) { r.inRdtFirmware = 1; }, {0, 2, 0}, true},
        {"no rule in force", [](ST_PORT_RESULT&) {}, {50, 50, 0}, false},
        {"scan marks any grown block despite the limit",
         [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad, r.enableMaxFail = 1, r.maxLaterBad = 20; },
         {0, 0, 1},
         true},
        {"clean scan", [](ST_PORT_RESULT& r) { r.resultKind = kResultScanBad; }, {0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        ST_PORT_RESULT r{};
        c.set(r);
        for (int die = 0; die < 3; ++die)
            r.laterBadPerDie[17][die] = c.dies[die];
        EXPECT_EQ(BbCeMarked(r, 17), c.marked) << c.name;
    }
}

} // namespace
} // namespace varnet
