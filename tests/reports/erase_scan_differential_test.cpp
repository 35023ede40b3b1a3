// The fast erase and scan readers against the plain ones on generated reports
// of every shape: random geometry, CE masks, dropped markers, reordered and
// shuffled lines, garbage inside and between lines, cut-off ends.
#include "bad_block_report_generator.h"
#include "erase_scan_literal.h"
#include "reports/erase_report.h"
#include "reports/scan_bad_report.h"

#include "reader_port.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <type_traits>

namespace varnet {
namespace {

using Port = test::ReaderPort;

// A record left by earlier steps: flash IDs of the readout (some CEs
// populated, some not), counts a reader keeps, and statistics it must clear.
void FillEarlierRecord(uint32_t seed, Port& port) {
    std::mt19937 random(seed);
    ST_PORT_RESULT& r = *port.result;
    for (auto& id : r.flashId) {
        for (auto& b : id)
            b = static_cast<uint8_t>(random() % 3 == 0 ? 0xFF : random());
    }
    r.flashCount = static_cast<int32_t>(random() % 40) - 4;
    r.channelCount = 3;
    r.blocksPerCE = 777;
    r.maxBadPerCE = 55;
    r.resultKind = 3;
    r.testStationSel = 6;
    r.earlyBad[1][2][3] = 9;
    r.spareTotal = 12;
    r.stationName = "old";
    r.reportPath = "./Log/x.txt";
    r.portRunning = 1;
    port.badBlocks.push_back(BAD_BLOCK_INFO{});
}

::testing::AssertionResult SameOutcome(const Port& fast, const Port& literal) {
    const std::string difference = test::FirstDifference(fast, literal);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
}

enum class Reader { kErase, kScan };

void ExpectSameOnText(Reader reader, const std::string& text, uint32_t seed) {
    Port fast;
    Port literal;
    FillEarlierRecord(seed, fast);
    FillEarlierRecord(seed, literal);
    const ReportContext context;
    if (reader == Reader::kErase) {
        ReadEraseReportText(text, context, fast.Report());
        test::LiteralReadEraseReportText(text, literal.Report());
    } else {
        ReadScanBadReportText(text, context, fast.Report());
        test::LiteralReadScanBadReportText(text, literal.Report());
    }
    EXPECT_TRUE(SameOutcome(fast, literal))
        << (reader == Reader::kErase ? "erase" : "scan") << " reader, seed " << seed;
}

constexpr uint32_t kReports = 300;

TEST(EraseScanDifferential, EraseReportsAgree) {
    for (uint32_t seed = 1; seed <= kReports; ++seed) {
        const std::string text = test::MakeEraseReport(test::RandomReportOptions(seed));
        ExpectSameOnText(Reader::kErase, text, seed);
    }
}

TEST(EraseScanDifferential, ScanReportsAgree) {
    for (uint32_t seed = 1; seed <= kReports; ++seed) {
        const std::string text = test::MakeScanBadReport(test::RandomReportOptions(seed));
        ExpectSameOnText(Reader::kScan, text, seed);
    }
}

// Each reader given the other's report: markers of the wrong shape, keys in
// unexpected places.
TEST(EraseScanDifferential, ReadersAgreeOnTheOtherReport) {
    for (uint32_t seed = 1; seed <= kReports / 3; ++seed) {
        const test::BadBlockReportOptions options = test::RandomReportOptions(seed);
        ExpectSameOnText(Reader::kErase, test::MakeScanBadReport(options), seed);
        ExpectSameOnText(Reader::kScan, test::MakeEraseReport(options), seed);
    }
}

// 64 KB of unit: a line far longer than any the library writes.
std::string LongRun(std::string_view unit) {
    std::string run;
    while (run.size() < 64 * 1024)
        run += unit;
    return run;
}

// One long line (a garbled file, a library that lost its line ends) made of
// what the readers find their way by: plane keys, their commas and blanks,
// count and block markers, block-line separators; as a line of its own or
// joined to a line, anywhere, and right after each marker the readers read
// a line from.
TEST(EraseScanDifferential, ReportsWithALongLineAgree) {
    const std::string_view units[] = {"Plane0=1,",
                                      ",",
                                      " ",
                                      "Plane2= ",
                                      "CENo_",
                                      "CENo_0/Die_0-> Early Bad Count: Plane0=4,",
                                      "CENo_0(Phy:0)/Die_1",
                                      "<Plane1> Erase=1;",
                                      "x_1 (",
                                      "EarlyBad",
                                      "="};
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        const test::BadBlockReportOptions options = test::RandomReportOptions(seed);
        for (const Reader reader : {Reader::kErase, Reader::kScan}) {
            const std::string text =
                reader == Reader::kErase ? test::MakeEraseReport(options) : test::MakeScanBadReport(options);
            std::mt19937 random(seed);
            for (const std::string_view unit : units) {
                for (const bool ownLine : {true, false}) {
                    size_t at = random() % (text.size() + 1);
                    std::string run = LongRun(unit);
                    if (ownLine) {
                        const size_t lineStart = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
                        at = lineStart == std::string::npos ? 0 : lineStart + 1;
                        run += "\r\n";
                    }
                    ExpectSameOnText(reader, text.substr(0, at) + run + text.substr(at), seed);
                }
            }
            for (const std::string_view marker : {"Early Bad Count:", "Later Bad Count:", "EarlyBad Count:",
                                                  "<Plane0>", "All Bad Block Count="}) {
                const size_t found = text.find(marker);
                if (found == std::string::npos)
                    continue;
                const size_t at = found + marker.size();
                for (const std::string_view unit : {" ", "Plane0=", ",", "Plane1=2,", ";"})
                    ExpectSameOnText(reader, text.substr(0, at) + LongRun(unit) + text.substr(at), seed);
            }
        }
    }
}

} // namespace
} // namespace varnet
