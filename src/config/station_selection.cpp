#include "config/station_selection.h"

#include "config/station_config.h"
#include "platform/ini_file.h"
#include "platform/text.h"

namespace varnet {

std::optional<int> ParseStationSelection(std::string_view text) {
    text = TrimBlanks(text);
    // Ten digits of zeros are still a number; more than that is not a station.
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value >= kStationCount)
            return std::nullopt;
    }
    return value;
}

std::optional<int> ReadStationSelection(const std::filesystem::path& stationFile) {
    // Longer than any number, so a long value is seen whole and refused.
    return ParseStationSelection(IniGetString(stationFile, "General Info", "TestStationSel", "", 32));
}

} // namespace varnet
