// A batch as an operator runs it: Refresh (find and identify) and Start of
// the MP station on the demo station's 24 simulated drives, through the
// stand-in device library with calls that take no time and with the pauses
// the line prescribes set to 0, every run journaled and the diagnostic log
// open, as on a line. What is reported is the engine's own time per port
// run: the time of the port steps less the time spent inside the library
// (the wall time per batch beside it includes the records' hand-over). The
// library runs in the program's process or in a host process per port.
#include "config/startup_files.h"
#include "demo_bench_station.h"
#include "engine/main_page.h"
#include "mplib/hosted_mp_library.h"
#include "mplib/mp_api_table.h"
#include "platform/diagnostic_log.h"
#include "platform/sysfs_device_tree.h"
#include "results/run_journal.h"
#include "stations/port_steps.h"
#include "stations/station_steps.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using namespace varnet;
using Clock = std::chrono::steady_clock;

std::atomic<int64_t> libraryNanos{0};
std::atomic<int64_t> stepNanos{0};

template <typename Call> auto Timed(std::atomic<int64_t>& into, Call call) {
    const auto start = Clock::now();
    auto result = call();
    into += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
    return result;
}

// A port's library, with the time spent inside it counted.
class TimedLibrary final : public MpLibrary {
public:
    explicit TimedLibrary(MpLibrary& inner) : inner_(inner) {}
    bool GetIdentifyInfoBuf(int d, uint8_t* b) override {
        return Timed(libraryNanos, [&] { return inner_.GetIdentifyInfoBuf(d, b); });
    }
    bool DoPretestInit(const Call& c) override {
        return Timed(libraryNanos, [&] { return inner_.DoPretestInit(c); });
    }
    bool DoPretestInitRdtMark(const Call& c, bool p) override {
        return Timed(libraryNanos, [&] { return inner_.DoPretestInitRdtMark(c, p); });
    }
    bool DoPretestInitRdtMarkCeMask(const Call& c, bool p, uint32_t m) override {
        return Timed(libraryNanos, [&] { return inner_.DoPretestInitRdtMarkCeMask(c, p, m); });
    }
    bool ReadRdtLog(const Call& c) override {
        return Timed(libraryNanos, [&] { return inner_.ReadRdtLog(c); });
    }
    bool ReadRdtBadLog(const Call& c) override {
        return Timed(libraryNanos, [&] { return inner_.ReadRdtBadLog(c); });
    }
    bool DoEraseAll(const Call& c) override {
        return Timed(libraryNanos, [&] { return inner_.DoEraseAll(c); });
    }
    bool GetAllFlashID(int d, const char* f) override {
        return Timed(libraryNanos, [&] { return inner_.GetAllFlashID(d, f); });
    }
    bool ScandBadBlock(int d, const char* m, const char* f) override {
        return Timed(libraryNanos, [&] { return inner_.ScandBadBlock(d, m, f); });
    }
    bool ModifyDeviceInfo(int d, const char* m, const char* s) override {
        return Timed(libraryNanos, [&] { return inner_.ModifyDeviceInfo(d, m, s); });
    }
    bool DownLoadMicroCode(int d, const char* f) override {
        return Timed(libraryNanos, [&] { return inner_.DownLoadMicroCode(d, f); });
    }
    bool SecurityErase(int d, char* e) override {
        return Timed(libraryNanos, [&] { return inner_.SecurityErase(d, e); });
    }
    bool ResetSmart(int d) override {
        return Timed(libraryNanos, [&] { return inner_.ResetSmart(d); });
    }
    bool WriteReadPH(int d, int m, uint8_t* b, int l) override {
        return Timed(libraryNanos, [&] { return inner_.WriteReadPH(d, m, b, l); });
    }
    std::optional<LibraryFault> TakeFault() override { return inner_.TakeFault(); }

private:
    MpLibrary& inner_;
};

PortOutcome TimedIdentify(PortContext& context) {
    return Timed(stepNanos, [&] { return IdentifyPort(context); });
}
PortOutcome TimedMp(PortContext& context) {
    return Timed(stepNanos, [&] { return MpStation(context); });
}

class QuietView final : public PageView {
public:
    void EnableControl(PageControl, bool) override {}
    bool IsLockCurrentChecked() override { return true; }
    void SetLockCurrentChecked(bool) override {}
    void SetRunClockText(std::string_view) override {}
    void StartTimer(int, int) override {}
    void StopTimer(int) override {}
    void ShowMessage(std::string_view) override {}
    void PostSerialNumberChanged() override {}
    void ShowSerialNumber(std::string_view) override {}
};

// Arg: 0 the library in the program's process, 1 a warm host per port
// (started before the batches), 2 a host per port started by each batch's
// first call (cold).
void BM_Batch24(benchmark::State& state) {
    const int isolation = static_cast<int>(state.range(0));
    bench::DemoBenchStation station;
    if (!station.Ready()) {
        state.SkipWithError(station.Problem().c_str());
        return;
    }
    const std::filesystem::path& dir = station.Folder();
    FlashDatabase flash;
    CustomerRecord customer;
    MpApiTable api;
    if (LoadRequiredFiles(dir, flash, customer) || !LoadMpApi(station.Library(), api).ok()) {
        state.SkipWithError("cannot start the demo station");
        return;
    }
    LoadedMpLibrary inProcess(api);
    std::vector<std::unique_ptr<HostedMpLibrary>> hosts;
    std::vector<std::unique_ptr<TimedLibrary>> libraries;
    for (int p = 0; p < kPortCount; ++p) {
        MpLibrary* inner = &inProcess;
        if (isolation != 0) {
            hosts.push_back(std::make_unique<HostedMpLibrary>(bench::BuiltHostProgram(), station.Library(),
                                                              LibrarySettings{}));
            if (isolation == 1 && !hosts.back()->Warm().ok()) {
                state.SkipWithError("the library host does not start");
                return;
            }
            inner = hosts.back().get();
        }
        libraries.push_back(std::make_unique<TimedLibrary>(*inner));
    }
    QuietView view;
    MainPageSetup setup;
    setup.appDir = dir / "";
    setup.customerRecord = customer;
    setup.flashDatabase = &flash;
    setup.library = libraries.front().get();
    for (size_t p = 0; p < setup.portLibraries.size(); ++p)
        setup.portLibraries[p] = libraries[p].get();
    setup.view = &view;
    setup.logDateFolder = LogDateFolderNow();
    setup.pauses.verdict = std::chrono::milliseconds(0);
    setup.pauses.startSpacing = std::chrono::milliseconds(0);
    setup.steps = DefaultPortSteps();
    setup.steps.identify = &TimedIdentify;
    setup.steps.mp = &TimedMp;
    setup.deviceTree = [root = dir / "Sim/root"] { return std::make_unique<SysfsDeviceTree>(root); };
    (void)PrepareFolders(dir, setup.logDateFolder);
    RunRecordOutputs outputs;
    outputs.SetDurable(std::make_shared<RunJournal>(dir, [day = setup.logDateFolder] { return day; }));
    setup.outputs = &outputs;
    OpenDiagnosticLog(DiagnosticLogFile(dir, setup.logDateFolder));
    MainPage page(std::move(setup));
    page.portCount = 24;
    page.ChangeSettings([](PageSettings& s) { s.configurationText = "04_MP.ini"; });

    int64_t runs = 0;
    libraryNanos = 0;
    stepNanos = 0;
    for (auto _ : state) {
        if (isolation == 2) {
            state.PauseTiming();
            for (auto& host : hosts)
                host->Stop();
            state.ResumeTiming();
        }
        page.Refresh();
        page.WaitForPortRuns();
        page.Start();
        page.WaitForPortRuns();
        for (auto& action : page.portAction)
            runs += action.load() == PORT_DONE;
    }
    const double engineNanos = static_cast<double>(stepNanos.load() - libraryNanos.load());
    state.counters["ports_run"] =
        benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kAvgIterations);
    state.counters["engine_ms_per_port_run"] =
        runs ? engineNanos / 1e6 / static_cast<double>(runs * 2) : 0; // identify and MP per port
    state.counters["library_ms_per_port_run"] =
        runs ? static_cast<double>(libraryNanos.load()) / 1e6 / static_cast<double>(runs * 2) : 0;
    CloseDiagnosticLog();
}
BENCHMARK(BM_Batch24)
    ->ArgName("isolation")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace
