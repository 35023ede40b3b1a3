// Start-up and shutdown of the station, apart from the window: the three
// files without which it cannot work (flash database, customer record,
// device library, checked in that order), the folders, the main page with
// its port layout and current setting, and at the end the serial-number
// advance. The window and the headless runner both go through here, so a
// station starts the same way with or without a screen.
#pragma once

#include "config/customer_record.h"
#include "config/flash_database.h"
#include "engine/main_page.h"
#include "mplib/library_settings.h"
#include "mplib/mp_api_table.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace varnet {

struct StationStartOptions {
    std::filesystem::path appDir;           // the program folder, also the working folder
    std::filesystem::path deviceRoot = "/"; // where sys/, dev/ and proc/ are read
    int uiLanguage = 0;
    int osGeneration = 5;
    PageView* view = nullptr;
    TileView* tileView = nullptr;
    RunPauses pauses;
    // Where the library is loaded from; "./MP_API.so" of the program folder
    // unless a test says otherwise.
    std::filesystem::path library;
    // The library host program; found beside the executable (or in
    // ../libexec/varnettool/) unless a test says otherwise.
    std::filesystem::path hostProgram;
};

struct Station {
    FlashDatabase flashDatabase;
    CustomerRecord customerRecord;
    LibrarySettings librarySettings;
    MpApiTable api;                                 // Isolation=InProcess only
    std::unique_ptr<MpLibrary> library;             // the in-process library, or port 1's host
    std::vector<std::unique_ptr<MpLibrary>> hosted; // Isolation=PerPort: ports 2-24
    // Where every port run's record goes; the front end adds the outputs
    // before the first Refresh. Outlives the page, whose last runs post to it.
    std::unique_ptr<RunRecordOutputs> outputs;
    std::unique_ptr<MainPage> page;
};

// The fatal message when the library host program cannot be found.
inline constexpr const char* kHostMissingMessage = "Library host is missing!";

// The station ready on its main page: tiles reset, codes 0, configuration
// listed and loaded, ports laid out, controls for state 1 with LockCurrent
// checked, mapping files of the last run deleted. On a fatal condition,
// nullptr and the message the operator sees ("FlashInfo.dat is Missing!",
// "Customer BIN is Missing!", "Load Dll Fail!", "Library host is missing!"),
// with the cause in detail. The device library runs as the program's
// settings file ([Library] of Config/VarnetTool.ini) says: by default in a
// host process per port, whose first answer is the start-up check of the
// library. A value of that section that cannot be used is shown once
// through the page view, fatal or not.
std::unique_ptr<Station> StartStation(const StationStartOptions& options, std::string& fatalMessage,
                                      std::string& detail);

// The page closes: no new runs, the running ones end (a library call still
// going after 5 seconds is ended, its port in a fault), the next serial
// number is written back, and every record reaches its outputs (within 10
// seconds).
void ShutdownStation(Station& station);

} // namespace varnet
