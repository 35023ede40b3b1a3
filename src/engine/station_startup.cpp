#include "engine/station_startup.h"

#include "config/startup_files.h"
#include "mplib/hosted_mp_library.h"
#include "platform/diagnostic_log.h"
#include "platform/sysfs_device_tree.h"
#include "platform/temp_leftovers.h"
#include "stations/log_tree.h"
#include "stations/port_steps.h"

namespace varnet {

std::unique_ptr<Station> StartStation(const StationStartOptions& options, std::string& fatalMessage,
                                      std::string& detail) {
    auto station = std::make_unique<Station>();
    if (const std::optional<RequiredFile> missing =
            LoadRequiredFiles(options.appDir, station->flashDatabase, station->customerRecord)) {
        fatalMessage = std::string(MissingFileMessage(*missing));
        return nullptr;
    }
    const std::string logDateFolder = LogDateFolderNow();
    // A log that cannot be opened has nowhere to say so; the program runs on.
    (void)OpenDiagnosticLog(DiagnosticLogFile(options.appDir, logDateFolder));
    station->librarySettings = LoadLibrarySettings(ProgramSettingsFile(options.appDir));
    // Told before anything can fail: a value that fell back to its default
    // may be why the library cannot start.
    if (options.view)
        for (const std::string& notice : station->librarySettings.notices)
            options.view->ShowMessage(notice);
    const std::filesystem::path library =
        options.library.empty() ? options.appDir / "MP_API.so" : options.library;
    if (station->librarySettings.isolation == LibraryIsolation::kInProcess) {
        if (const Status loaded = LoadMpApi(library, station->api); !loaded.ok()) {
            fatalMessage = kLoadDllFailMessage;
            detail = loaded.message();
            return nullptr;
        }
        station->library = std::make_unique<LoadedMpLibrary>(station->api);
    } else {
        // The program itself never loads the library: a fault in it costs
        // one port's host, never the program.
        std::optional<std::filesystem::path> host =
            options.hostProgram.empty() ? FindHostProgram() : std::optional(options.hostProgram);
        if (!host) {
            fatalMessage = kHostMissingMessage;
            detail = "varnet-mphost is neither beside the program nor in ../libexec/varnettool/ (or set "
                     "[Library] Isolation=InProcess in Config/VarnetTool.ini)";
            return nullptr;
        }
        for (int p = 0; p < kPortCount; ++p) {
            auto hosted = std::make_unique<HostedMpLibrary>(*host, library, station->librarySettings);
            // The first host's answer is the start-up check of the library.
            if (p == 0) {
                if (const Status warm = hosted->Warm(); !warm.ok()) {
                    fatalMessage = kLoadDllFailMessage;
                    detail = warm.message();
                    return nullptr;
                }
                station->library = std::move(hosted);
            } else {
                station->hosted.push_back(std::move(hosted));
            }
        }
    }

    // A folder that cannot be made shows up later as a run without a report;
    // the station itself can still start.
    LogDiscarded(PrepareFolders(options.appDir, logDateFolder));
    // Temporary files of writes cut short when the program was killed.
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const std::filesystem::path& folder :
         {options.appDir, options.appDir / "Config", DayFolder(options.appDir, logDateFolder)})
        RemoveWriteLeftovers(folder, now);

    MainPageSetup setup;
    setup.appDir = options.appDir;
    setup.uiLanguage = options.uiLanguage;
    setup.osGeneration = options.osGeneration;
    setup.customerRecord = station->customerRecord;
    setup.flashDatabase = &station->flashDatabase;
    station->outputs = std::make_unique<RunRecordOutputs>();
    setup.outputs = station->outputs.get();
    setup.library = station->library.get();
    if (!station->hosted.empty()) {
        setup.portLibraries[0] = station->library.get();
        for (size_t p = 1; p < setup.portLibraries.size(); ++p)
            setup.portLibraries[p] = station->hosted[p - 1].get();
    }
    setup.view = options.view;
    setup.logDateFolder = logDateFolder;
    setup.pauses = options.pauses;
    setup.steps = DefaultPortSteps();
    setup.deviceTree = [root = options.deviceRoot]() -> std::unique_ptr<DeviceTree> {
        return std::make_unique<SysfsDeviceTree>(root);
    };
    station->page = std::make_unique<MainPage>(std::move(setup));
    MainPage& page = *station->page;
    page.tiles.SetView(options.tileView);
    for (int p = 0; p < kPortCount; ++p)
        page.tiles.ResetTile(p, false);
    page.portCount = 16;
    page.ListStationConfigs();
    page.LayoutPorts();
    page.ShowCurrentSetting();
    page.SetControlsForState(PORT_IDENTIFY);
    options.view->SetLockCurrentChecked(true);
    page.ApplyLockCurrent();
    return station;
}

void ShutdownStation(Station& station) {
    if (!station.page)
        return;
    station.page->StopStartingRuns();
    station.page->EndPortRuns(std::chrono::seconds(5));
    station.page->AdvanceSerialNumberOnClose();
    if (station.outputs)
        if (!station.outputs->Close(std::chrono::seconds(10)))
            LogDiagnostic(kNoPort, "a run-record output did not take every record within 10 s");
    station.page->tiles.SetView(nullptr);
}

} // namespace varnet
