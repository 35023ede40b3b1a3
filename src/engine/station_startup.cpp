#include "engine/station_startup.h"

#include "config/startup_files.h"
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
    const std::filesystem::path library =
        options.library.empty() ? options.appDir / "MP_API.so" : options.library;
    if (const Status loaded = LoadMpApi(library, station->api); !loaded.ok()) {
        fatalMessage = kLoadDllFailMessage;
        detail = loaded.message();
        return nullptr;
    }
    station->library = std::make_unique<LoadedMpLibrary>(station->api);

    const std::string logDateFolder = LogDateFolderNow();
    // A folder that cannot be made shows up later as a run without a report;
    // the station itself can still start.
    (void)PrepareFolders(options.appDir, logDateFolder);
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
    setup.library = station->library.get();
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
    station.page->WaitForPortRuns();
    station.page->AdvanceSerialNumberOnClose();
    station.page->tiles.SetView(nullptr);
}

} // namespace varnet
