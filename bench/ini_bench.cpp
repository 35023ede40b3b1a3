#include "platform/ini_file.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path ScratchFile(const char* name) {
    auto dir = std::filesystem::temp_directory_path() / ("varnet-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / name;
}

// One key into a 1000-line file: read, change, atomic replace with fsync.
void BM_IniSingleKeyWrite(benchmark::State& state) {
    const auto file = ScratchFile("thousand.ini");
    {
        std::ofstream out(file, std::ios::binary);
        for (int s = 0; s < 20; ++s) {
            out << "[Section" << s << "]\r\n";
            for (int k = 0; k < 49; ++k)
                out << "Key" << k << "=Value" << s * 100 + k << "\r\n";
        }
    }
    long n = 0;
    for (auto _ : state) {
        if (!varnet::IniWriteString(file, "Section10", "Key25", std::to_string(n++)).ok())
            state.SkipWithError("write failed");
    }
    std::filesystem::remove_all(file.parent_path());
}
BENCHMARK(BM_IniSingleKeyWrite)->Unit(benchmark::kMicrosecond);

} // namespace
