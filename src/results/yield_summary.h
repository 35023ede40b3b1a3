// The yield figures of a set of finished runs, computed in one place for the
// Yield page, varnet-results and the HTML export, so all three show the same
// numbers.
//
// Definitions (YieldDefinitions gives them as the operator reads them):
//  - a drive is its serial number, else its drive serial; a run with neither
//    is a drive of its own;
//  - first-pass yield: passes among first attempts (a drive's first finished
//    run at a station, earlier days included) in the period;
//  - final yield: passes among the last run of each drive at a station
//    within the period (a row for one day: within that day);
//  - retests: runs that are not a first attempt, counted apart;
//  - "Identify" runs are not production runs and count nowhere;
//  - a failure is any run that did not pass ("Fail", "Error", "Timeout"); its
//    cause (FailureCauseOf) is the library's error code; with none, the first
//    line of the tile's text without its leading blanks; a library fault
//    ("Error", "Timeout") by its verdict;
//  - a port stands out when it has at least kOutlierMinRuns runs and fails
//    significantly more often than its station on its computer: one-sided
//    binomial test against the station's failure rate, p < kOutlierLevel.
//
// Days are local calendar days. Pure functions; no I/O, no threads.
#pragma once

#include "results/run_query.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

inline constexpr int64_t kOutlierMinRuns = 20;
inline constexpr double kOutlierLevel = 0.01;

struct YieldCounts {
    int64_t runs = 0;
    int64_t pass = 0;
    int64_t fail = 0;
    int64_t retests = 0;
    int64_t firstRuns = 0;
    int64_t firstPass = 0;
    int64_t finalDrives = 0;
    int64_t finalPass = 0;

    // nullopt when there is nothing to divide by.
    std::optional<double> FirstPassYield() const;
    std::optional<double> FinalYield() const;
};

struct StationDayYield {
    std::string station;
    std::string day; // "YYYY-MM-DD"; empty: the station over the whole period
    YieldCounts counts;
};

struct FailureCauseCount {
    std::string cause;
    int64_t count = 0;
    double share = 0;      // of all failures
    double cumulative = 0; // this cause and every one above it
};

struct FlashYield {
    std::string flashId;
    YieldCounts counts;
};

struct PortYield {
    std::string station;
    std::string host;
    int port = 0;
    int64_t runs = 0;
    int64_t fails = 0;
    double failRate = 0;
    double stationFailRate = 0; // of the station on the same computer
    double pValue = 1;          // P(at least this many failures at the station's rate)
    bool outlier = false;
};

struct YieldSummary {
    YieldCounts total;
    // Per station, sorted by name: its days in order, then its total row.
    std::vector<StationDayYield> stationDays;
    int64_t failures = 0;
    std::vector<FailureCauseCount> pareto; // most frequent first
    std::vector<FlashYield> flashes;       // by flash ID
    std::vector<PortYield> ports;          // by station, computer, port
};

// runs in start-time order (as the run sources give them).
YieldSummary ComputeYieldSummary(std::span<const YieldRun> runs);

std::string FailureCauseOf(std::string_view verdict, std::string_view errorCode, std::string_view text);

// P(X >= k) for X binomial with n trials of probability p.
double BinomialUpperTail(int64_t n, int64_t k, double p);

// The definitions as lines of text, in English or (uiLanguage 1) Chinese.
std::vector<std::string> YieldDefinitions(int uiLanguage);

// "93.5%", or "-" for nullopt.
std::string PercentText(std::optional<double> share);

} // namespace varnet
