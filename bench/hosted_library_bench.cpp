// What a library host costs: the round trip of a short call through a warm
// host against the same call in the program's process, and the start of a
// host until its first answer. The call is identify: on the demo station's
// first drive through the stand-in library (which reads its drive's state
// files), and through the host tests' library, whose drive 1 answers at once,
// so that what is left is the round trip itself.
#include "demo_bench_station.h"
#include "mplib/hosted_mp_library.h"
#include "mplib/mp_api_table.h"

#include <benchmark/benchmark.h>

#include <array>
#include <optional>

namespace {

using namespace varnet;

// The first drive number the library identifies; nullopt when none.
std::optional<int> FirstDrive(MpLibrary& library) {
    std::array<uint8_t, 512> buffer{};
    for (int drive = 1; drive < 64; ++drive)
        if (library.GetIdentifyInfoBuf(drive, buffer.data()))
            return drive;
    return std::nullopt;
}

// Args: hosted 0 in the program's process, 1 through a warm host; quick 0
// the stand-in library, 1 the library that answers at once.
void BM_HostedCall(benchmark::State& state) {
    bench::DemoBenchStation station;
    const bool quick = state.range(1) == 1;
    const std::filesystem::path file = quick ? bench::QuickLibrary() : station.Library();
    MpApiTable api;
    if (!station.Ready() || !LoadMpApi(file, api).ok()) {
        state.SkipWithError("cannot load the library");
        return;
    }
    LoadedMpLibrary inProcess(api);
    HostedMpLibrary hosted(bench::BuiltHostProgram(), file, LibrarySettings{});
    MpLibrary& library = state.range(0) == 0 ? static_cast<MpLibrary&>(inProcess) : hosted;
    const std::optional<int> drive = quick ? std::optional(1) : FirstDrive(library);
    if (!drive) {
        state.SkipWithError("no drive answers identify");
        return;
    }
    std::array<uint8_t, 512> buffer{};
    for (auto _ : state) {
        if (!library.GetIdentifyInfoBuf(*drive, buffer.data())) {
            state.SkipWithError("identify failed");
            break;
        }
        benchmark::DoNotOptimize(buffer);
    }
    hosted.Stop();
}
BENCHMARK(BM_HostedCall)
    ->ArgNames({"hosted", "quick"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// From spawning a host to its answer that the library loaded, and its end.
void BM_HostStart(benchmark::State& state) {
    bench::DemoBenchStation station;
    if (!station.Ready()) {
        state.SkipWithError(station.Problem().c_str());
        return;
    }
    for (auto _ : state) {
        HostedMpLibrary hosted(bench::BuiltHostProgram(), station.Library(), LibrarySettings{});
        if (!hosted.Warm().ok()) {
            state.SkipWithError("the library host does not start");
            break;
        }
        state.PauseTiming();
        hosted.Stop();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HostStart)->Unit(benchmark::kMillisecond);

} // namespace
