#include "rdt_report_generator.h"
#include "reports/rdt_report.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// A burn-in report of the given size in MB: 10,000 fail rows per MB (200,000
// for 20 MB), the counts of all 32 CEs, 8 dies and 4 planes, and a temperature
// table that makes up the rest. Built once per size.
const std::string& Report(int64_t megabytes) {
    static std::map<int64_t, std::string> reports;
    auto [it, added] = reports.try_emplace(megabytes);
    if (added) {
        varnet::test::RdtReportOptions options;
        options.ceCount = 32;
        options.dies = 8;
        options.planes = 4;
        options.failRows = static_cast<int>(megabytes * 10000);
        options.targetBytes = static_cast<size_t>(megabytes) * 1000000;
        options.seed = 20240611;
        it->second = varnet::test::MakeRdtReport(options);
    }
    return it->second;
}

void BM_ReadRdtReport(benchmark::State& state) {
    const std::string& text = Report(state.range(0));
    auto result = std::make_unique<varnet::ST_PORT_RESULT>();
    varnet::BadBlockList list;
    int32_t progress = 0;
    for (auto _ : state) {
        varnet::ReadRdtReportText(text, varnet::ReportContext{},
                                  varnet::PortReport{*result, list, &progress});
        benchmark::DoNotOptimize(list.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["rows"] = static_cast<double>(list.size());
}
BENCHMARK(BM_ReadRdtReport)->Arg(20)->Unit(benchmark::kMillisecond);

// The first report read into a port's list: the list has no room yet, and its
// 200,000 entries (34 MB) take memory that was never touched. The list is
// made and freed outside the time taken, and the freed memory handed back,
// so that the next read finds none of it at hand either.
void BM_ReadRdtReportIntoEmptyList(benchmark::State& state) {
    const std::string& text = Report(state.range(0));
    auto result = std::make_unique<varnet::ST_PORT_RESULT>();
    int32_t progress = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<varnet::BadBlockList>();
        state.ResumeTiming();
        varnet::ReadRdtReportText(text, varnet::ReportContext{},
                                  varnet::PortReport{*result, *list, &progress});
        benchmark::DoNotOptimize(list->data());
        state.PauseTiming();
        list.reset();
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadRdtReportIntoEmptyList)->Arg(20)->Unit(benchmark::kMillisecond);

// The floor any line-by-line reader stands on: finding every line feed of
// the same report.
void BM_MemchrBaseline(benchmark::State& state) {
    const std::string& text = Report(state.range(0));
    for (auto _ : state) {
        size_t lines = 0;
        const char* at = text.data();
        const char* end = text.data() + text.size();
        while (const void* found = std::memchr(at, '\n', static_cast<size_t>(end - at))) {
            ++lines;
            at = static_cast<const char*>(found) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MemchrBaseline)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace
