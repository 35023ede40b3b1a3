// The fast burn-in reader against the plain one on generated reports of every
// shape: random geometry and fail lists, both temperature tables and limits
// forms, the older fail-list layout, dropped, shuffled and garbled lines,
// out-of-range CEs and planes, absurd numbers; read under CE masks, at the
// RDT result station and elsewhere.
#include "rdt_literal.h"
#include "rdt_report_generator.h"
#include "reports/rdt_report.h"

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

// A record left by earlier steps: what the reader keeps and what it clears.
void FillEarlierRecord(Port& port) {
    ST_PORT_RESULT& r = *port.result;
    r.flashId[0] = {0x98, 0x3C, 0x98, 0xB3};
    r.flashCount = 8;
    r.blocksPerCE = 777;
    r.resultKind = kResultErase;
    r.earlyBad[1][2][3] = 9;
    r.maxTemperature = "99°C";
    r.speedFailMask = 0xF0;
    r.enableMaxFail = 1;
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
    VARNET_SAME(rdtFwVersion)
    VARNET_SAME(tlcLoop)
    VARNET_SAME(slcLoop)
    VARNET_SAME(eccThreshold)
    VARNET_SAME(slcEccThreshold)
    VARNET_SAME(maxLaterBad)
    VARNET_SAME(maxEraseFail)
    VARNET_SAME(maxProgramFail)
    VARNET_SAME(maxReadFail)
    VARNET_SAME(enableMaxFail)
    VARNET_SAME(retentionMark)
    VARNET_SAME(retentionTest)
    VARNET_SAME(speedFailMask)
    VARNET_SAME(maxTemperature)
    VARNET_SAME(errorCode)
    VARNET_SAME(errorMessage)
    VARNET_SAME(firmwareRevision)
    VARNET_SAME(auxReportPath)
    VARNET_SAME(inRdtFirmware)
    VARNET_SAME(deviceValid)
    VARNET_SAME(portRunning)
#undef VARNET_SAME
    if (fast.readProgress != literal.readProgress)
        return ::testing::AssertionFailure() << "readProgress differs";
    if (fast.badBlocks.size() != literal.badBlocks.size())
        return ::testing::AssertionFailure()
               << "list sizes differ: " << fast.badBlocks.size() << " vs " << literal.badBlocks.size();
    for (size_t i = 0; i < fast.badBlocks.size(); ++i) {
        if (std::memcmp(&fast.badBlocks[i], &literal.badBlocks[i], sizeof(BAD_BLOCK_INFO)) != 0)
            return ::testing::AssertionFailure() << "list entry " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

ReportContext RandomContext(uint32_t seed) {
    std::mt19937 random(seed * 2654435761u);
    ReportContext context;
    context.enableCeMask = random() % 2 == 0 ? 1 : 0;
    context.setCeMask = random() % 4 == 0 ? 0 : static_cast<uint32_t>(random());
    context.testStationSel = static_cast<uint8_t>(random() % 3 == 0 ? 2 : random() % 8);
    context.uiLanguage = static_cast<int>(random() % 3);
    return context;
}

class RdtDifferential : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RdtDifferential, FastAndPlainReadersAgree) {
    for (uint32_t seed = GetParam(); seed < GetParam() + 50; ++seed) {
        const test::RdtReportOptions options = test::RandomRdtOptions(seed);
        const std::string text = test::MakeRdtReport(options);
        const ReportContext context = RandomContext(seed);
        Port fast;
        Port literal;
        FillEarlierRecord(fast);
        FillEarlierRecord(literal);
        ReadRdtReportText(text, context, fast.Report());
        test::ReadRdtReportLiteral(text, context, literal.Report());
        ASSERT_TRUE(SameOutcome(fast, literal)) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RdtDifferential, ::testing::Values(1000u, 2000u, 3000u, 4000u, 5000u, 6000u));

// Every prefix of a report that holds each part once: a report cut anywhere
// (a copy that stopped, a log still being written) reads the same both ways.
TEST(RdtDifferentialCut, EveryPrefixAgrees) {
    test::RdtReportOptions options;
    options.ceCount = 2;
    options.dies = 1;
    options.planes = 2;
    options.failRows = 3;
    options.seed = 77;
    const std::string text = test::MakeRdtReport(options);
    ReportContext context;
    for (size_t size = 0; size <= text.size(); ++size) {
        Port fast;
        Port literal;
        ReadRdtReportText(std::string_view(text).substr(0, size), context, fast.Report());
        test::ReadRdtReportLiteral(std::string_view(text).substr(0, size), context, literal.Report());
        ASSERT_TRUE(SameOutcome(fast, literal)) << "cut at " << size;
    }
}

} // namespace
} // namespace varnet
