// Burn-in (RDT) log reports as the device library writes them, for tests,
// benchmarks and the simulated library: the layout lives in WriteRdtReport
// alone; random content and distortions (dropped lines, shuffled plane lines,
// out-of-range CEs and planes, absurd numbers, garbage) are layered on top for
// the reader's tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnet::test {

struct RdtPlaneLine {
    int ce = 0; // flat CE number
    int die = 0;
    int plane = 0;
    std::string all; // the three counts as written, so that tests can write absurd ones
    std::string early;
    std::string later;
};

struct RdtTemperatureLine {
    bool ddrTest = false; // a "DDR Test" line of the library between the readings
    int loop = 0;
    int cycle = 0;
    int step = 0;
    std::array<int, 6> temperatures{};
    int timeMs = 0;
};

struct RdtFailRow {
    std::string failType;
    std::string ce; // as written
    int channel = 0;
    std::string plane;
    uint32_t block = 0; // written "0x%X"
    int page = 0;
    int totalLoop = 0;
    int runLoop = 0;
    int runCycle = 0;
    // nullopt: written "NA"
    std::optional<int> step;
    std::optional<int> stage;
    std::optional<int> overThresholdBits;
    std::optional<int> timeStamp;
};

// What a report says, in report order.
struct RdtReportContent {
    std::string failMessage; // empty: the run passed
    std::string ispFw = "V3.1.0.7";
    std::string rdtFw = "R2.0.1.5";
    std::string testingTime = "12:34:56";
    int diePerCe = 2;
    std::array<int, 4> settings = {3000, 30000, 60, 40}; // TLC/MLC loop, SLC loop, ECC thresholds
    bool nineColumnTemperatures = false;
    std::vector<RdtTemperatureLine> temperatures;
    std::vector<std::pair<std::string, std::string>> speedErrors; // "TLC" or "SLC", CE as written
    bool retentionMark = false;
    int limitsForm = 3; // 0: no limits line, 3 or 7 values
    std::array<int, 7> limits = {10, 5, 2, 3,
                                 3,  3, 1}; // later bad, per CE, per plane, erase, program, read, enable
    // The older layout names no fail list: its rows follow the limits line,
    // the settings line and a line of dashes.
    bool failListHeader = true;
    std::vector<RdtFailRow> failRows;
    std::vector<RdtPlaneLine> planeLines;
    int testStationSel = 1;
    std::array<int, 4>
        limitSelections{}; // FailProgramLimitSel, FailEraseLimitSel, FailReadLimitSel, FailTotalLimitSel
    int retentionTest = 0;
    const char* lineEnd = "\r\n";
};

std::string WriteRdtReport(const RdtReportContent& content);

struct RdtReportOptions {
    int ceCount = 8;
    int dies = 2;
    int planes = 4;
    int failRows = 20;
    uint32_t seed = 1;
    bool nineColumns = false;
    int limitsForm = 3;
    bool failListHeader = true;
    double dropLines = 0;           // chance that a line is left out
    bool shufflePlaneLines = false; // the plane lines in random order
    double shuffleLines = 0;        // share of lines moved to a random place
    bool outOfRange = false;        // CEs above 31, planes above 3, leading zeros, absurd numbers
    double garbage = 0;             // chance of a garbage line (or fragment) per line
    size_t targetBytes = 0;         // grow the temperature table to about this size
    bool lineFeedsOnly = false;
};

RdtReportContent RandomRdtContent(const RdtReportOptions& options);
std::string MakeRdtReport(const RdtReportOptions& options);

// Options drawn at random over the whole range the reader must handle, for
// differential tests.
RdtReportOptions RandomRdtOptions(uint32_t seed);

} // namespace varnet::test
