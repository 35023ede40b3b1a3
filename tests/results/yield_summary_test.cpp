// The yield figures: first-pass and final yield with retests apart, the
// failure Pareto, flash IDs, and the ports that fail far more than their
// station.
#include "results/yield_summary.h"

#include "run_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace varnet {
namespace {

YieldRun Y(const char* station, const char* driveKey, const char* verdict, int minute, bool first,
           int port = 1, const char* errorCode = "", const char* text = "") {
    YieldRun run;
    run.station = station;
    run.host = "st-1";
    run.port = port;
    run.driveKey = driveKey;
    run.flashId = port == 3 ? "45 3C 98 B3 76 72" : "98 3C 98 B3 76 72";
    run.verdict = verdict;
    run.errorCode = errorCode;
    run.text = text;
    run.startedMs = UnixMillis(test::At(minute));
    run.firstAttempt = first;
    return run;
}

const YieldCounts& RowOf(const YieldSummary& summary, const std::string& station, const std::string& day) {
    for (const StationDayYield& row : summary.stationDays)
        if (row.station == station && row.day == day)
            return row.counts;
    static const YieldCounts kNone;
    ADD_FAILURE() << "no row " << station << " " << day;
    return kNone;
}

struct Expected {
    int64_t runs, pass, fail, retests, firstRuns, firstPass, finalDrives, finalPass;
};

void ExpectCounts(const YieldCounts& c, Expected e, const char* what) {
    EXPECT_EQ(c.runs, e.runs) << what;
    EXPECT_EQ(c.pass, e.pass) << what;
    EXPECT_EQ(c.fail, e.fail) << what;
    EXPECT_EQ(c.retests, e.retests) << what;
    EXPECT_EQ(c.firstRuns, e.firstRuns) << what;
    EXPECT_EQ(c.firstPass, e.firstPass) << what;
    EXPECT_EQ(c.finalDrives, e.finalDrives) << what;
    EXPECT_EQ(c.finalPass, e.finalPass) << what;
}

class YieldSummaryTest : public ::testing::Test {
protected:
    test::LocalZone utc{"UTC0"};
    // One shift at 04_MP and a run the next day, in start order.
    std::vector<YieldRun> runs = {
        Y("04_MP", "SN1", "Fail", 0, true, 1, "0x2F"),
        Y("04_MP", "SN2", "Pass", 1, true, 1),
        Y("Identify", "SN1", "Pass", 1, true, 1),
        Y("04_MP", "SN3", "Fail", 2, true, 3, "", "           Fail!\r\nBad blocks over limit"),
        Y("04_MP", "SN4", "Error", 3, true, 3, "E7"),
        Y("04_MP", "", "Timeout", 4, true, 2),
        Y("04_MP", "SN1", "Pass", 10, false, 2),
        Y("06_ICT", "SN1", "Pass", 30, true, 1),
        Y("04_MP", "SN5", "Pass", 24 * 60 + 5, true, 1),
    };
};

TEST_F(YieldSummaryTest, FirstPassCountsFirstAttemptsFinalCountsLastRunsAndRetestsStandApart) {
    const YieldSummary summary = ComputeYieldSummary(runs);
    ExpectCounts(RowOf(summary, "04_MP", "2026-12-10"), {6, 2, 4, 1, 5, 1, 5, 2}, "04_MP on the first day");
    ExpectCounts(RowOf(summary, "04_MP", "2026-12-11"), {1, 1, 0, 0, 1, 1, 1, 1}, "04_MP on the second day");
    ExpectCounts(RowOf(summary, "04_MP", ""), {7, 3, 4, 1, 6, 2, 6, 3}, "04_MP over the period");
    ExpectCounts(RowOf(summary, "06_ICT", ""), {1, 1, 0, 0, 1, 1, 1, 1}, "06_ICT");
    ExpectCounts(summary.total, {8, 4, 4, 1, 7, 3, 7, 4}, "every station");
    EXPECT_EQ(summary.stationDays.size(), 5u)
        << "two days and a total for 04_MP, a day and a total for 06_ICT";
    EXPECT_NEAR(*RowOf(summary, "04_MP", "").FirstPassYield(), 2.0 / 6.0, 1e-12);
    EXPECT_EQ(PercentText(RowOf(summary, "04_MP", "").FinalYield()), "50.0%");
    EXPECT_EQ(PercentText(YieldCounts{}.FinalYield()), "-");
}

TEST_F(YieldSummaryTest, TheParetoNamesEachFailureByItsCodeItsTextOrTheLibrarysFault) {
    runs.push_back(Y("04_MP", "SN6", "Fail", 40, true, 4, "0x2F"));
    const YieldSummary summary = ComputeYieldSummary(runs);
    ASSERT_EQ(summary.failures, 5);
    ASSERT_EQ(summary.pareto.size(), 4u);
    EXPECT_EQ(summary.pareto[0].cause, "0x2F");
    EXPECT_EQ(summary.pareto[0].count, 2);
    EXPECT_DOUBLE_EQ(summary.pareto[0].share, 0.4);
    std::vector<std::string> rest;
    for (size_t i = 1; i < summary.pareto.size(); ++i)
        rest.push_back(summary.pareto[i].cause);
    EXPECT_EQ(rest, (std::vector<std::string>{"Error", "Fail!", "Timeout"}));
    EXPECT_DOUBLE_EQ(summary.pareto.back().cumulative, 1.0);

    struct Case {
        const char* verdict;
        const char* code;
        const char* text;
        const char* cause;
    } cases[] = {
        {"Fail", "0x2F", "Fail!", "0x2F"}, {"Fail", "", "   \tSN Error!  \nmore", "SN Error!"},
        {"Fail", "", "", "Fail"},          {"Error", "0x2F", "crash", "Error"},
        {"Timeout", "", "", "Timeout"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FailureCauseOf(c.verdict, c.code, c.text), c.cause) << c.text;
}

TEST_F(YieldSummaryTest, FlashIdsHaveTheirOwnYields) {
    const YieldSummary summary = ComputeYieldSummary(runs);
    ASSERT_EQ(summary.flashes.size(), 2u);
    EXPECT_EQ(summary.flashes[0].flashId, "45 3C 98 B3 76 72");
    ExpectCounts(summary.flashes[0].counts, {2, 0, 2, 0, 2, 0, 2, 0}, "the port-3 flash");
    EXPECT_EQ(summary.flashes[1].counts.runs, 6);
}

TEST(YieldPorts, APortFailingFarMoreThanItsStationStandsOut) {
    std::vector<YieldRun> runs;
    int minute = 0;
    auto add = [&](const char* host, int port, int count, int fails) {
        for (int i = 0; i < count; ++i) {
            YieldRun run = Y("02_RDT", "", i < fails ? "Fail" : "Pass", minute++, true, port);
            run.host = host;
            runs.push_back(run);
        }
    };
    for (int port = 1; port <= 8; ++port)
        add("st-1", port, 50, 2);
    add("st-1", 9, 50, 15);  // a worn socket
    add("st-1", 10, 19, 19); // every run failed, but too few to tell
    add("st-2", 9, 50, 15);  // the same rate as the rest of its own computer
    add("st-2", 1, 50, 15);
    const YieldSummary summary = ComputeYieldSummary(runs);

    std::vector<std::string> outliers;
    for (const PortYield& port : summary.ports)
        if (port.outlier)
            outliers.push_back(port.host + ":" + std::to_string(port.port));
    EXPECT_EQ(outliers, std::vector<std::string>{"st-1:9"});
    for (const PortYield& port : summary.ports) {
        if (port.host == "st-1") {
            EXPECT_NEAR(port.stationFailRate, 50.0 / 469.0, 1e-12);
        }
    }
}

TEST(YieldPorts, TheBinomialTailMatchesExactSums) {
    struct Case {
        int64_t n, k;
        double p, tail;
    } cases[] = {
        {20, 20, 0.5, 9.5367431640625e-07},
        {100, 10, 0.05, 0.028188294163416},
        {50, 15, 0.1, 7.383868610314855e-05},
        {1000, 60, 0.05, 0.08673217838485742},
        {40, 1, 0.01, 0.33102824143031945},
        {30, 3, 0.1, 0.5886487604404952},
        {10, 0, 0.3, 1.0},
        {10, 11, 0.3, 0.0},
        {10, 2, 0.0, 0.0},
        {10, 2, 1.0, 1.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(BinomialUpperTail(c.n, c.k, c.p), c.tail, c.tail * 1e-9 + 1e-15) << c.n << " " << c.k;
}

} // namespace
} // namespace varnet
