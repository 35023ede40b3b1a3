// The main page's run state and logic, without a widget: the port table, the
// per-port records, the counters, the active station configuration, the
// serial-number state, and the operator's commands (Refresh, Start, a tile
// click, LockCurrent), the device watcher's arrivals and removals and the
// three run timers. The window and the headless runner drive it through the
// same calls; it talks back only through PageView and PortTiles' TileView.
//
// Threads: commands, device changes and timers run on the interface thread;
// each port run on a worker thread of its own (StartPortJob). A worker
// touches only its own port's records; what ports share (counters, page
// locks, serial numbers, the station file) is atomic or locked. The active
// station configuration is published as an immutable snapshot, so a tile
// click that reloads it never changes the record under a running port.
#pragma once

#include "config/customer_record.h"
#include "config/flash_database.h"
#include "config/station_config.h"
#include "devices/device_table.h"
#include "engine/page_settings.h"
#include "engine/page_view.h"
#include "engine/port_run_record.h"
#include "engine/port_tiles.h"
#include "engine/run_record_outputs.h"
#include "mplib/mp_library.h"
#include "platform/device_tree.h"
#include "platform/port_count.h"
#include "reports/port_result.h"
#include "serial/serial_state.h"
#include "stations/port_action.h"
#include "stations/port_context.h"
#include "stations/port_steps.h"
#include "stations/report_claims.h"
#include "stations/station_env.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace varnet {

class MainPage;

// A step as a run takes it: a station's PortStep, or any callable of its shape.
using RunStepFunction = std::function<PortOutcome(PortContext&)>;

// Bits of pageLockBits: pages that refuse activation.
enum PageLock : uint32_t {
    kLockMainPage = 0x0001,
    kLockConfigurationPage = 0x0010,
    kLockRdtInfoPage = 0x0100,
    kLockBadBlockPage = 0x1000,
};

// Process-wide, as the settings pages check it too.
std::atomic<uint32_t>& PageLockBits();

struct MainPageSetup {
    std::filesystem::path appDir; // ends with '/'
    int uiLanguage = 0;
    int osGeneration = 5;
    CustomerRecord customerRecord;
    const FlashDatabase* flashDatabase = nullptr;
    MpLibrary* library = nullptr;
    // A library of each port's own (hosted in a process per port); the
    // shared one serves a port that has none.
    std::array<MpLibrary*, kPortCount> portLibraries{};
    PageView* view = nullptr;
    // A fresh view of the device tree for each scan.
    std::function<std::unique_ptr<DeviceTree>()> deviceTree;
    std::string logDateFolder;
    RunPauses pauses;
    PortSteps steps;
    // Where every port run's record goes; none in tests that do not look.
    RunRecordOutputs* outputs = nullptr;
    // The station computer's name for the records; this computer's when empty.
    std::string host;
};

class MainPage {
public:
    explicit MainPage(MainPageSetup setup);
    ~MainPage(); // waits for every port run to end
    MainPage(const MainPage&) = delete;
    MainPage& operator=(const MainPage&) = delete;

    // --- the environment
    const std::filesystem::path& appDir() const { return setup_.appDir; }
    int uiLanguage() const { return setup_.uiLanguage; }
    int osGeneration() const { return setup_.osGeneration; }
    const CustomerRecord& customerRecord() const { return setup_.customerRecord; }
    const FlashDatabase* flashDatabase() const { return setup_.flashDatabase; }
    MpLibrary& library(int port) { return *LibraryOf(port); }
    // The port's library; null when the page was given none (tests that
    // never call it).
    MpLibrary* LibraryOf(int port) {
        MpLibrary* own =
            port >= 0 && port < kPortCount ? setup_.portLibraries[static_cast<size_t>(port)] : nullptr;
        return own ? own : setup_.library;
    }
    PageView& view() { return *setup_.view; }
    const RunPauses& pauses() const { return setup_.pauses; }
    const PortSteps& steps() const { return setup_.steps; }
    const std::string& logDateFolder() const { return setup_.logDateFolder; }
    // English text, or the Chinese one when the interface language is 1.
    const char* Text(const char* english, const char* chinese) const {
        return setup_.uiLanguage == 1 ? chinese : english;
    }

    // --- the port table
    std::array<std::atomic<uint8_t>, kPortCount> portAction{};
    std::array<ST_PORT_RESULT, kPortCount> portResult{};
    std::array<BadBlockList, kPortCount> badBlockList;
    CDeviceTable devices;
    PortTiles tiles;

    std::atomic<int32_t> runningPorts{0};
    std::atomic<int32_t> identifiedCount{0};
    // Reset by the first timed run's worker, advanced by the page's timers.
    std::atomic<uint32_t> elapsedSeconds{0};
    std::atomic<int32_t> runningTicks{0};
    std::timed_mutex runStartMutex;
    SerialNumberState serial;
    // The report paths of the batch's ports; reset by Start.
    ReportClaims reportClaims;

    // --- the page's settings (interface thread)
    unsigned portCount = 16;
    uint8_t mapType = 0;
    int slotNumber = 8; // S of the port mapping

    // What a run reads of the page's settings, as one snapshot (any thread).
    PageSettingsSnapshot Settings() const;
    // Publishes a changed copy of the settings (interface thread).
    void ChangeSettings(const std::function<void(PageSettings&)>& change);
    std::string ConfigurationText() const { return Settings()->configurationText; }

    // The active station configuration and its file.
    std::shared_ptr<const ST_STATION_CONFIG> StationConfig() const;
    std::filesystem::path StationConfigPath() const;
    void SetStationConfig(ST_STATION_CONFIG config, std::filesystem::path path);
    // stationConfigPath := appDir + the configuration text; reads it when it
    // exists (true), else false and the record is left as it was.
    bool LoadActiveStationConfig();

    // --- port runs
    // Starts a worker for the port (the request is already in portAction).
    // False when the start was given up (the application is quitting).
    bool StartPortJob(int port, std::chrono::milliseconds delay);
    // The runner a worker calls; public for tests that run a port inline.
    // Lets out what the step threw, after the run's bookkeeping and records.
    void RunPort(int port);
    // What a step of the port is given: the port's records, tile, library
    // and device entry, the active configuration as it is now, and the
    // page's settings of the run's snapshot (as they are now when none is
    // given).
    PortContext PortContextFor(int port);
    PortContext PortContextFor(int port, const PageSettings& settings);

    // Blocks until every started worker has ended.
    void WaitForPortRuns();
    // The program closes: waits up to grace for the runs, then ends the
    // library calls still going (their ports end in a fault) and waits for
    // the rest.
    void EndPortRuns(std::chrono::milliseconds grace);
    // True while a started worker has not ended.
    bool PortRunsActive();
    // Refused from now on: the program is closing.
    void StopStartingRuns() { closing_.store(true); }

    // The parts of every port run, shared by the workers (RunPort) and the
    // result pages' own runs. EnterRun counts the run in (the first timed
    // run starts the run clock and locks the pages); LeaveRun counts it out
    // (the last one unlocks the pages, sets the controls and stops the
    // clock). RunStepWithRecord runs the step as the run of `action`: its
    // record started, the step, a library fault as the verdict, its record
    // finished; a step that throws leaves the port Fail, and the exception
    // goes on to the caller.
    void EnterRun(int port, bool timed);
    void LeaveRun(int port, bool timed);
    // The page's settings are taken as they are when it is called.
    void RunStepWithRecord(int port, uint8_t action, const RunStepFunction& step);
    // A result page's own run (interface thread): BeginPageRun takes the port
    // for a run of `code` when it has a drive and takes requests (false,
    // nothing changed, otherwise); EndPageRun ends it, a run cut short (the
    // port still holds the code) as failed. The step runs between the two,
    // on the page's thread, through RunStepWithRecord.
    bool BeginPageRun(int port, uint8_t code);
    void EndPageRun(int port, uint8_t code);
    // Why the last record could not be saved, when the journal still cannot
    // take one (asked again each time); empty when records are saved. Start
    // and tile clicks are refused while it is not empty. Any thread.
    std::string RecordProblem();
    // Why Start and tile clicks start nothing now, for the operator: a
    // journal that cannot be written, or less free space for Log/ or
    // Results/ than [Results] MinFreeMegabytes of Config/VarnetTool.ini
    // (default 64). Empty when runs may start.
    std::string RunRefusal();
    // After a step: the fault its library call ended in, as the port's
    // verdict (nullopt: none).
    std::optional<LibraryFault> ShowLibraryFault(int port, uint8_t action, const PageSettings& settings);
    // The record of a run as far as it is known when it starts, and complete.
    PortRunRecord StartRecord(int port, uint8_t action, const PageSettings& settings);
    void FinishRecord(PortRunRecord& record, int port, const PortOutcome& outcome,
                      const std::optional<LibraryFault>& fault);

    // --- who holds a port's record
    // A run holds its port's record from its start to the end of its
    // bookkeeping; the interface thread changes a record only when no run
    // holds it. A drive pulled meanwhile has its record reset when the run
    // lets go of it. A run that starts while the port's last one is still
    // ending waits for it to let go. Any thread.
    void HoldPortRecord(int port);
    void ReleasePortRecord(int port);
    // Runs change on the port's record now when no run holds it (true), else
    // returns false and leaves the record alone.
    bool ChangeRecordIfIdle(int port, const std::function<void(ST_PORT_RESULT&)>& change);
    // The record of a port whose drive was pulled: reset now, or when the
    // run that holds it lets go of it.
    void ResetRecordOfPulledDrive(int port);

    // --- commands (interface thread)
    void Refresh();
    // Start and a tile click reload the station file first; false when it
    // could not be used (missing, or no valid station selection: the
    // operator was told why and nothing was started).
    bool Start();
    bool ClickTile(int port);
    void ApplyLockCurrent();
    void SetControlsForState(uint8_t code);
    void OnDiskArrival(std::string_view interfacePath);
    void OnDiskRemoval(std::string_view interfacePath);
    void OnTimer(int id);
    void OnSerialNumberChanged();
    // The serial-number advance of the page's closing.
    void AdvanceSerialNumberOnClose();

    // --- the page's setting (interface thread)
    // Every file of the program folder whose lower-case name contains
    // ".ini", sorted; the first becomes the configuration, then loaded.
    void ListStationConfigs();
    // Port count, verdict font and indent, map type from the station file.
    void LayoutPorts();
    // Fills the current-setting box; nothing when the file cannot be loaded.
    void ShowCurrentSetting();
    // The operator's choices on the page.
    void ChangePortCount(unsigned count);
    void ChangeConfiguration(std::string_view fileName);
    void ChangeMap(uint8_t type);
    void ChangeSlcBuffer(std::string_view choice);

    // The device scan of the current map type, after ClearPorts or not.
    void ScanDevices(bool clearFirst);
    // The drive's capacity in MiB from READ CAPACITY(10); 0 when it does not
    // answer. Any thread.
    uint32_t ReadCapacityMB(int32_t driveNumber) const;

    // --- disks someone mounted (mount_refusal.cpp)
    // After a scan: each port with a mount note shows where its disk is
    // mounted, an Info tile telling the operator to unmount it (interface
    // thread).
    void ShowMountedDisks();
    // Right before a station run, from a fresh device tree: when the port's
    // disk is mounted or in use by this computer now, the run is refused
    // with that as its Fail verdict (port left at PORT_DONE, a record
    // written, no library call) and true is returned. Worker thread, with
    // the port's record held, with the run's settings.
    bool RefuseDiskInUse(int port, uint8_t action, const PageSettings& settings);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
        int port = 0;
    };
    void ReapFinishedWorkers();
    // True while a worker started for the port has not ended.
    bool PortHasLiveWorker(int port);
    // currentSn := the SN_Start the station file holds now, read under
    // snMutex (and, for a start of all ports, every number of the last
    // batch forgotten); false when the wait was given up because the
    // application quits.
    bool RestartSerialNumbers(bool forgetLastByPort);
    void RunStepWithRecord(int port, uint8_t action, const RunStepFunction& step,
                           const PageSettings& settings);
    // The active file reloaded and its station request; nullopt after the
    // operator was shown why there is none.
    std::optional<uint8_t> LoadStationRequest();

    void NoteRecordSaved(const Status& saved);

    MainPageSetup setup_;
    std::mutex recordProblemMutex_;
    std::string recordProblem_; // under recordProblemMutex_
    mutable std::mutex configMutex_;
    std::shared_ptr<const ST_STATION_CONFIG> stationConfig_;
    std::filesystem::path stationConfigPath_;
    PageSettingsSnapshot settings_; // under configMutex_

    std::mutex recordMutex_;
    std::condition_variable recordLetGo_;
    std::array<bool, kPortCount> recordHeld_{};       // under recordMutex_
    std::array<bool, kPortCount> removedWhileHeld_{}; // under recordMutex_

    std::mutex workersMutex_;
    std::vector<Worker> workers_;
    std::atomic<bool> closing_{false};
};

} // namespace varnet
