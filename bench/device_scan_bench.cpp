// A Refresh-style scan (ClearPorts + ScanAuto) of the demo station's device
// root: 24 drives behind a cascade box and two 4-port hubs, read through the
// Linux device tree from a fresh snapshot each time, as Refresh does.
#include "device_root/device_root_writer.h"
#include "devices/port_scans.h"
#include "platform/sysfs_device_tree.h"
#include "station_description.h"
#include "temp_dir.h"

#include <benchmark/benchmark.h>

namespace {

using namespace varnet;

void BM_ScanAuto24(benchmark::State& state) {
    test::TempDir dir;
    sim::StationDescription station;
    if (!sim::ParseStationDescription(test::ReadText(test::SourceDir() / "demo/station.txt"), station).ok() ||
        !sim::WriteDeviceRoot(station, dir / "root", dir / "sim").ok()) {
        state.SkipWithError("cannot write the demo station's device root");
        return;
    }
    CDeviceTable table;
    int bound = 0;
    for (auto _ : state) {
        table.ClearPorts();
        SysfsDeviceTree tree(dir / "root");
        ScanAuto(table, ScanContext{tree, dir.path(), 24, 5});
        bound = 0;
        for (int32_t drive : table.portDriveNumber)
            bound += drive != 0;
    }
    state.counters["bound"] = bound;
}
BENCHMARK(BM_ScanAuto24)->Unit(benchmark::kMillisecond);

} // namespace
