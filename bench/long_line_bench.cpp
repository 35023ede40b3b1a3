// A damaged station file with one line of 50 MB: loading it must cost about
// what scanning its bytes costs, not minutes. BM_MemchrLongLine is the
// yardstick: one memchr pass over the same bytes, already in memory.
#include "config/station_file.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace varnet;

constexpr size_t kLongLineBytes = 50u << 20;

// Argument 0: the long line is the value of a key the load reads
// ("ModelName=xxx..."); 1: a line of text without '=' among the keys.
std::string LongLineStationFile(int shape) {
    std::string file = "[General Info]\r\nTestStationSel=3\r\nTestStation=F1\r\n";
    if (shape == 0) {
        file += "ModelName=";
        file.append(kLongLineBytes, 'M');
    } else {
        file.append(kLongLineBytes, 'x');
    }
    file += "\r\nSerialNum=VN0000000001\r\n"
            "[Flash Info]\r\nFlh_Type=BiCS3 TLC\r\nFlh_ID=98 3c 98 b3 76 72\r\nFlh_Capacity=524288\r\n"
            "[Options]\r\nDDRSize=512\r\nPretestType=3\r\n"
            "[SN Set]\r\nSN_Set=1\r\nSN_Start=VN0000000001\r\nSN_End=VN9999999999\r\n";
    return file;
}

std::filesystem::path WriteScratchFile(const std::string& bytes) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("varnet-bench-long-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "04_MP.ini";
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

void BM_StationConfigLoadLongLine(benchmark::State& state) {
    const std::string bytes = LongLineStationFile(static_cast<int>(state.range(0)));
    const auto file = WriteScratchFile(bytes);
    StationNameTable names;
    ST_STATION_CONFIG record{};
    for (auto _ : state) {
        LoadStationConfig(file, record, names);
        benchmark::DoNotOptimize(record);
    }
    if (FieldText(record.SN_Start) != "VN0000000001")
        state.SkipWithError("the keys after the long line were not read");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    std::filesystem::remove_all(file.parent_path());
}
BENCHMARK(BM_StationConfigLoadLongLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MemchrLongLine(benchmark::State& state) {
    const std::string bytes = LongLineStationFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // A byte the file does not hold: the pass goes over every byte.
        const void* found = std::memchr(bytes.data(), '\0', bytes.size());
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_MemchrLongLine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
