#include "demo_bench_station.h"

#include "demo_station.h"

namespace varnet::bench {
namespace {

std::filesystem::path BenchFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

} // namespace

DemoBenchStation::DemoBenchStation() {
    std::string warning;
    if (!WriteDemoStation(dir_.path(), DemoPace::kInstant).ok() ||
        !CopyStationLibraries(BenchFolder() / "../sim", dir_.path(), warning).ok() || !warning.empty()) {
        problem_ = "cannot write the demo station";
        return;
    }
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
}

DemoBenchStation::~DemoBenchStation() {
    if (!saved_.empty())
        std::filesystem::current_path(saved_);
}

std::filesystem::path BuiltHostProgram() {
    return BenchFolder() / "../src/varnet-mphost";
}

std::filesystem::path QuickLibrary() {
    return BenchFolder() / "../tests/libvarnet_fault_library.so";
}

} // namespace varnet::bench
