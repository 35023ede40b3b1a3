// Erase-count and bad-block scan reports as the device library writes them,
// for tests, benchmarks and the simulated library: the layout of both reports
// lives in WriteEraseReport and WriteScanBadReport; random content and
// distortions (missing markers, reordered or shuffled lines, garbage, CE
// masks, a cut-off end) are layered on top for the readers' tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnet::test {

struct BadBlockDie {
    struct Block {
        std::string label; // "Early", "Erase", "Program", "Read"
        int32_t block = 0;
        std::string remark;
    };
    int ce = 0; // flat CE number
    int die = 0;
    std::array<int32_t, 4> early{};
    std::array<int32_t, 4> later{};
    std::array<int32_t, 4> eraseFails{};
    std::array<int32_t, 4> programFails{};
    std::array<int32_t, 4> readFails{};
    std::vector<Block> blocks;
};

// What a report says, in report order.
struct BadBlockReportContent {
    std::string ispFw = "V3.1.0.7";
    int testStationSel = 0;
    int flashNumber = 8;
    int diePerFlash = 2;
    int planes = 4;
    int blocksPerCe = 1024;
    int maxBadPerPlane = 40;
    std::string processSeconds = "35.2";
    std::string failMessage; // empty: the run passed
    std::vector<BadBlockDie> dies;
    // Log lines of the library written between the counts (erase report).
    size_t fillerLinesPerDie = 0;
    const char* lineEnd = "\r\n";
};

std::string WriteEraseReport(const BadBlockReportContent& content);
std::string WriteScanBadReport(const BadBlockReportContent& content);

struct BadBlockReportOptions {
    int ceCount = 8;
    int dies = 2;
    int planes = 4;
    int badPerDie = 5; // block lines per die (scan report); counts follow from them
    uint32_t seed = 1;
    uint32_t ceMask = 0xFFFFFFFFu; // CEs whose bit is clear are not in the report
    double dropMarkers = 0;        // chance that a marker line is left out
    bool laterBeforeEarly = false; // erase report: later group first
    double shuffleLines = 0;       // share of lines moved to a random place
    double garbage = 0;            // chance of a garbage line (or fragment) per line
    bool cutEnd = false;           // end the report at a random byte
    bool lineFeedsOnly = false;
    size_t targetBytes = 0; // grow to about this size: filler (erase) or longer block lists (scan)
};

BadBlockReportContent RandomBadBlockContent(const BadBlockReportOptions& options);
std::string MakeEraseReport(const BadBlockReportOptions& options);
std::string MakeScanBadReport(const BadBlockReportOptions& options);

// Options drawn at random over the whole range the readers must handle, for
// differential tests.
BadBlockReportOptions RandomReportOptions(uint32_t seed);

} // namespace varnet::test
