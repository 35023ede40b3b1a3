// The fast burn-in reader against the plain one on generated reports of every
// shape: random geometry and fail lists, both temperature tables and limits
// forms, the older fail-list layout, dropped, shuffled and garbled lines,
// out-of-range CEs and planes, absurd numbers; read under CE masks, at the
// RDT result station and elsewhere.
#include "rdt_literal.h"
#include "rdt_report_generator.h"
#include "reports/rdt_report.h"

#include "reader_port.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <type_traits>

namespace varnet {
namespace {

using Port = test::ReaderPort;

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

::testing::AssertionResult SameOutcome(const Port& fast, const Port& literal) {
    const std::string difference = test::FirstDifference(fast, literal);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << difference;
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
