#include "engine/main_page.h"

#include "config/debug_options.h"
#include "config/station_file.h"
#include "config/station_names.h"
#include "platform/diagnostic_log.h"
#include "serial/drive_serial.h"

#include <system_error>

namespace varnet {

std::atomic<uint32_t>& PageLockBits() {
    static std::atomic<uint32_t> bits{0};
    return bits;
}

MainPage::MainPage(MainPageSetup setup)
    : setup_(std::move(setup)), stationConfig_(std::make_shared<const ST_STATION_CONFIG>()),
      settings_(std::make_shared<const PageSettings>()) {
    for (auto& action : portAction)
        action.store(PORT_IDLE);
}

MainPage::~MainPage() {
    StopStartingRuns();
    WaitForPortRuns();
}

std::shared_ptr<const ST_STATION_CONFIG> MainPage::StationConfig() const {
    std::lock_guard lock(configMutex_);
    return stationConfig_;
}

std::filesystem::path MainPage::StationConfigPath() const {
    std::lock_guard lock(configMutex_);
    return stationConfigPath_;
}

void MainPage::SetStationConfig(ST_STATION_CONFIG config, std::filesystem::path path) {
    auto next = std::make_shared<const ST_STATION_CONFIG>(config);
    std::lock_guard lock(configMutex_);
    stationConfig_ = std::move(next);
    stationConfigPath_ = std::move(path);
}

PageSettingsSnapshot MainPage::Settings() const {
    std::lock_guard lock(configMutex_);
    return settings_;
}

void MainPage::ChangeSettings(const std::function<void(PageSettings&)>& change) {
    PageSettings next = *Settings();
    change(next);
    auto published = std::make_shared<const PageSettings>(std::move(next));
    std::lock_guard lock(configMutex_);
    settings_ = std::move(published);
}

bool MainPage::LoadActiveStationConfig() {
    const std::string name = ConfigurationText();
    const std::filesystem::path path = appDir() / name;
    {
        std::lock_guard lock(configMutex_);
        stationConfigPath_ = path;
    }
    std::error_code error;
    if (name.empty() || !std::filesystem::is_regular_file(path, error))
        return false;
    ST_STATION_CONFIG record{};
    StationLoadOptions options;
    options.testRdtCycle = LoadDebugOptions(appDir()).TestRDTCycle != 0;
    options.customerCode = customerRecord().CustomerCode();
    LoadStationConfig(path, record, StationNames(), options);
    SetStationConfig(record, path);
    return true;
}

} // namespace varnet

namespace varnet {

void MainPage::AdvanceSerialNumberOnClose() {
    // No port runs any more: the advance takes no lock, as the page's own
    // close always did.
    LogDiscarded(AdvanceSerialOnClose(*StationConfig(), StationConfigPath(), serial));
}

} // namespace varnet
