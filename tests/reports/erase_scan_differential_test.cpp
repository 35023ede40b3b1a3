// The fast erase and scan readers against the plain ones on generated reports
// of every shape: random geometry, CE masks, dropped markers, reordered and
// shuffled lines, garbage inside and between lines, cut-off ends.
#include "bad_block_report_generator.h"
#include "erase_scan_literal.h"
#include "reports/erase_report.h"
#include "reports/scan_bad_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <type_traits>

namespace varnet {
namespace {

struct Port {
    std::unique_ptr<ST_PORT_RESULT> result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList badBlocks;
    int32_t readProgress = -1;
    PortReport Report() { return PortReport{*result, badBlocks, &readProgress}; }
};

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

static_assert(std::has_unique_object_representations_v<BAD_BLOCK_INFO>);

::testing::AssertionResult SameOutcome(const Port& fast, const Port& literal) {
    const ST_PORT_RESULT& a = *fast.result;
    const ST_PORT_RESULT& b = *literal.result;
#define VARNET_SAME(field)                                                                                   \
    if (!(a.field == b.field))                                                                               \
        return ::testing::AssertionFailure() << #field " differs";
    VARNET_SAME(resultKind)
    VARNET_SAME(testStationSel)
    VARNET_SAME(channelCount)
    VARNET_SAME(flashCount)
    VARNET_SAME(diePerFlash)
    VARNET_SAME(planeCount)
    VARNET_SAME(blocksPerCE)
    VARNET_SAME(flashId)
    VARNET_SAME(failFlag)
    VARNET_SAME(totalBad)
    VARNET_SAME(earlyBad)
    VARNET_SAME(laterBad)
    VARNET_SAME(laterBadPerDie)
    VARNET_SAME(earlyBadTotal)
    VARNET_SAME(laterBadTotal)
    VARNET_SAME(allBadTotal)
    VARNET_SAME(eraseFailTotal)
    VARNET_SAME(programFailTotal)
    VARNET_SAME(readFailTotal)
    VARNET_SAME(maxBadPerPlane)
    VARNET_SAME(maxBadPerCE)
    VARNET_SAME(maxBadTotal)
    VARNET_SAME(sparePerCE)
    VARNET_SAME(spareTotal)
    VARNET_SAME(ispFwVersion)
    VARNET_SAME(stationName)
    VARNET_SAME(processTime)
    VARNET_SAME(reportPath)
    VARNET_SAME(badBlockLoaded)
    VARNET_SAME(portRunning)
#undef VARNET_SAME
    if (fast.readProgress != literal.readProgress)
        return ::testing::AssertionFailure()
               << "readProgress " << fast.readProgress << " vs " << literal.readProgress;
    if (fast.badBlocks.size() != literal.badBlocks.size())
        return ::testing::AssertionFailure()
               << "list sizes " << fast.badBlocks.size() << " vs " << literal.badBlocks.size();
    for (size_t i = 0; i < fast.badBlocks.size(); ++i) {
        if (std::memcmp(&fast.badBlocks[i], &literal.badBlocks[i], sizeof(BAD_BLOCK_INFO)) != 0)
            return ::testing::AssertionFailure() << "list entry " << i << " differs";
    }
    return ::testing::AssertionSuccess();
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

} // namespace
} // namespace varnet
