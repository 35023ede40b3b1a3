// Reports made of one long line (a garbled file, a library that lost its line
// ends, a hostile file): each reader on a report of a 50 MB line, read from
// the file as a station reads it, beside the floor any reader stands on, a
// memchr pass over the same bytes and the read of the file. The line is
// made of what used to cost the readers dearly: the bytes by which the
// burn-in reader finds its keys, plane keys and commas after a count
// marker, the first bytes of the keys the readers search for. "peak" is the
// most memory a read held at once, as a multiple of the report's size (the
// text itself counts once).
#include "allocation_peak.h"
#include "bad_block_report_generator.h"
#include "platform/file_io.h"
#include "rdt_report_generator.h"
#include "reports/erase_report.h"
#include "reports/rdt_report.h"
#include "reports/scan_bad_report.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace varnet;

enum class Kind { kRdt, kErase, kScan };

std::string LongLine(size_t bytes) {
    constexpr std::string_view kUnit = "Plane0=1,(Plane1=2 [CE_T_W,CENo_ Die_0 ";
    std::string line;
    line.reserve(bytes + kUnit.size());
    while (line.size() < bytes)
        line += kUnit;
    line.resize(bytes);
    return line;
}

// A small report of the kind with the long line where a reader looks hard:
// after the first count marker (erase, scan) or before everything the
// burn-in reader searches for.
std::string ReportText(Kind kind, size_t lineBytes) {
    const std::string line = LongLine(lineBytes);
    if (kind == Kind::kRdt) {
        test::RdtReportContent content;
        content.planeLines.push_back({0, 0, 0, "3", "2", "1"});
        std::string text = test::WriteRdtReport(content);
        text.insert(text.find('\n') + 1, line + "\r\n");
        return text;
    }
    test::BadBlockReportContent content;
    test::BadBlockDie die;
    die.early = {2, 1, 0, 0};
    die.later = {1, 0, 0, 0};
    die.blocks.push_back({"Early", 8, "Factory"});
    content.dies.push_back(die);
    if (kind == Kind::kErase) {
        std::string text = test::WriteEraseReport(content);
        text.insert(text.find("Plane0=", text.find("Early Bad Count:")), line);
        return text;
    }
    std::string text = test::WriteScanBadReport(content);
    text.insert(text.find("Plane0=", text.find("EarlyBad Count:")), line);
    return text;
}

// One report file per kind and size, written once and removed at exit.
class ReportFiles {
public:
    ~ReportFiles() {
        std::error_code ignored;
        for (const auto& [key, file] : files_)
            std::filesystem::remove(file, ignored);
    }
    const std::filesystem::path& Get(Kind kind, int64_t megabytes) {
        auto [it, added] = files_.try_emplace({kind, megabytes});
        if (added) {
            it->second = std::filesystem::temp_directory_path() /
                         ("varnet-long-line-" + std::to_string(::getpid()) + "-" +
                          std::to_string(static_cast<int>(kind)) + "-" + std::to_string(megabytes) + ".txt");
            (void)WriteFileAtomically(it->second, ReportText(kind, static_cast<size_t>(megabytes) * 1000000));
        }
        return it->second;
    }

private:
    std::map<std::pair<Kind, int64_t>, std::filesystem::path> files_;
};

ReportFiles& Files() {
    static ReportFiles files;
    return files;
}

void ReadLongLineReport(benchmark::State& state, Kind kind) {
    const std::filesystem::path& file = Files().Get(kind, state.range(0));
    const auto size = static_cast<double>(std::filesystem::file_size(file));
    auto result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList list;
    int32_t progress = 0;
    const PortReport port{*result, list, &progress};
    int64_t peak = 0;
    for (auto _ : state) {
        bench::AllocationPeak measured;
        switch (kind) {
        case Kind::kRdt:
            ReadRdtReport(file, ReportContext{}, port);
            break;
        case Kind::kErase:
            ReadEraseReport(file, ReportContext{}, port);
            break;
        case Kind::kScan:
            ReadScanBadReport(file, ReportContext{}, port);
            break;
        }
        peak = std::max(peak, measured.Peak());
        benchmark::DoNotOptimize(result->allBadTotal);
    }
    state.SetBytesProcessed(static_cast<int64_t>(static_cast<double>(state.iterations()) * size));
    state.counters["MB"] = size / 1e6;
    state.counters["peak"] = static_cast<double>(peak) / size;
    state.counters["early"] = result->earlyBadTotal;
}

void BM_RdtReportLongLine(benchmark::State& state) {
    ReadLongLineReport(state, Kind::kRdt);
}
BENCHMARK(BM_RdtReportLongLine)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_EraseReportLongLine(benchmark::State& state) {
    ReadLongLineReport(state, Kind::kErase);
}
BENCHMARK(BM_EraseReportLongLine)->Arg(50)->Unit(benchmark::kMillisecond);

void BM_ScanBadReportLongLine(benchmark::State& state) {
    ReadLongLineReport(state, Kind::kScan);
}
BENCHMARK(BM_ScanBadReportLongLine)->Arg(50)->Unit(benchmark::kMillisecond);

// The floor: every line feed of the burn-in report's bytes, in memory.
void BM_LongLineMemchr(benchmark::State& state) {
    const std::optional<std::string> text = ReadWholeFile(Files().Get(Kind::kRdt, state.range(0)));
    if (!text) {
        state.SkipWithError("the report could not be read");
        return;
    }
    for (auto _ : state) {
        size_t lines = 0;
        const char* at = text->data();
        const char* const end = text->data() + text->size();
        while (const void* found = std::memchr(at, '\n', static_cast<size_t>(end - at))) {
            ++lines;
            at = static_cast<const char*>(found) + 1;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text->size()));
}
BENCHMARK(BM_LongLineMemchr)->Arg(50)->Unit(benchmark::kMillisecond);

// The floor of a reader that reads the file: the whole-file read alone.
void BM_LongLineFileRead(benchmark::State& state) {
    const std::filesystem::path& file = Files().Get(Kind::kRdt, state.range(0));
    const auto size = static_cast<double>(std::filesystem::file_size(file));
    int64_t peak = 0;
    for (auto _ : state) {
        bench::AllocationPeak measured;
        const std::optional<std::string> text = ReadWholeFile(file);
        benchmark::DoNotOptimize(text->data());
        peak = std::max(peak, measured.Peak());
    }
    state.SetBytesProcessed(static_cast<int64_t>(static_cast<double>(state.iterations()) * size));
    state.counters["peak"] = static_cast<double>(peak) / size;
}
BENCHMARK(BM_LongLineFileRead)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace
