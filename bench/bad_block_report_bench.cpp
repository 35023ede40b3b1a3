#include "bad_block_report_generator.h"
#include "reports/erase_report.h"
#include "reports/scan_bad_report.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr size_t kReportBytes = 20u << 20;

// About 20 MB of report: the library's log lines (erase) or block lists of
// thousands of blocks per die (scan). With all 32 CEs of 8 dies every marker
// is present; with 8 CEs of 2 dies, as on most drives, 240 of the 256 CE and
// die markers are absent, and a reader that searched the text for each of
// them would scan the whole report 240 times or more.
varnet::test::BadBlockReportOptions LargeReport(const benchmark::State& state) {
    varnet::test::BadBlockReportOptions options;
    options.ceCount = static_cast<int>(state.range(0));
    options.dies = static_cast<int>(state.range(1));
    options.planes = 4;
    options.targetBytes = kReportBytes;
    options.seed = 20240611;
    return options;
}

void BM_ReadScanBadReport(benchmark::State& state) {
    const std::string text = varnet::test::MakeScanBadReport(LargeReport(state));
    auto result = std::make_unique<varnet::ST_PORT_RESULT>();
    varnet::BadBlockList list;
    int32_t progress = 0;
    for (auto _ : state) {
        varnet::ReadScanBadReportText(text, varnet::ReportContext{},
                                      varnet::PortReport{*result, list, &progress});
        benchmark::DoNotOptimize(list.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["blocks"] = static_cast<double>(list.size());
}
BENCHMARK(BM_ReadScanBadReport)
    ->Args({32, 8})
    ->Args({8, 2})
    ->ArgNames({"ces", "dies"})
    ->Unit(benchmark::kMillisecond);

void BM_ReadEraseReport(benchmark::State& state) {
    const std::string text = varnet::test::MakeEraseReport(LargeReport(state));
    auto result = std::make_unique<varnet::ST_PORT_RESULT>();
    varnet::BadBlockList list;
    for (auto _ : state) {
        varnet::ReadEraseReportText(text, varnet::ReportContext{},
                                    varnet::PortReport{*result, list, nullptr});
        benchmark::DoNotOptimize(result->allBadTotal);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadEraseReport)
    ->Args({32, 8})
    ->Args({8, 2})
    ->ArgNames({"ces", "dies"})
    ->Unit(benchmark::kMillisecond);

} // namespace
