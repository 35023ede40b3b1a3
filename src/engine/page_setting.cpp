// The main page's setting: the station file list, the port layout, the
// current-setting box and the operator's choices that change them.
#include "config/station_file.h"
#include "engine/main_page.h"
#include "platform/diagnostic_log.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <algorithm>
#include <charconv>

namespace varnet {

void MainPage::ListStationConfigs() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(appDir(), error)) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError))
            continue;
        const std::string name = entry.path().filename().string();
        if (ToLowerAscii(name).find(".ini") != std::string::npos)
            files.push_back(name);
    }
    // The list sorts without regard to case, as the platform's sorted list does.
    std::sort(files.begin(), files.end(),
              [](const std::string& a, const std::string& b) { return ToLowerAscii(a) < ToLowerAscii(b); });
    ChangeSettings(
        [&](PageSettings& s) { s.configurationText = files.empty() ? std::string() : files.front(); });
    view().ShowStationConfigs(files, files.empty() ? -1 : 0);
    LoadActiveStationConfig();
}

void MainPage::LayoutPorts() {
    const std::filesystem::path file = StationConfigPath();
    slotNumber = IniGetInt(file, "General Info", "SlotNumber", 0);
    const PortLayout layout = LayoutForSlots(slotNumber);
    portCount = layout.portCount;
    ChangeSettings([&](PageSettings& s) {
        s.tileFontSize = layout.tileFontSize;
        s.resultPrefix = layout.resultPrefix;
    });
    tiles.SetDefaultFontSize(layout.defaultFontSize);
    const int map = IniGetInt(file, "General Info", "MapType", 0);
    mapType = map == 1 || map == 2 ? static_cast<uint8_t>(map) : 0;
    view().ShowLayout(layout, mapType);
}

void MainPage::ShowCurrentSetting() {
    if (!LoadActiveStationConfig())
        return;
    const std::shared_ptr<const ST_STATION_CONFIG> config = StationConfig();
    view().ShowCurrentSetting(
        ComposeCurrentSetting(*config, StationConfigPath(), customerRecord(), uiLanguage()),
        config->TestStationSel);
}

void MainPage::ChangePortCount(unsigned count) {
    portCount = count == 24 || count == 16 ? count : 8;
    LogDiscarded(WriteSlotNumber(StationConfigPath(), static_cast<int>(portCount)));
    LayoutPorts();
    ShowCurrentSetting();
}

void MainPage::ChangeConfiguration(std::string_view fileName) {
    ChangeSettings([&](PageSettings& s) { s.configurationText = std::string(fileName); });
    LoadActiveStationConfig();
    ShowCurrentSetting();
    // False only when the program is quitting: nothing is left to number.
    (void)RestartSerialNumbers(false);
}

void MainPage::ChangeMap(uint8_t type) {
    mapType = type <= 2 ? type : 0;
    LogDiscarded(WriteMapType(StationConfigPath(), mapType));
    Refresh();
}

void MainPage::ChangeSlcBuffer(std::string_view choice) {
    const size_t gb = choice.find("GB");
    if (gb == std::string_view::npos)
        return;
    uint32_t size = 0;
    std::from_chars(choice.data(), choice.data() + gb, size);
    LogDiscarded(WriteSlcPoolSize(StationConfigPath(), size * 262144u));
}

} // namespace varnet
