#include "config/station_keys.h"

#include "config/station_names.h"
#include "platform/text.h"

#include <array>

namespace varnet {
namespace {

// The Options keys that the companion keeps with the shared values.
constexpr std::array<std::string_view, 6> kSharedOptionKeys = {
    "EnableOverClocking", "DDRSize", "SetSSDSize", "SetSSDSizeLBA", "Use Partial Size", "L06B_To_B0K",
};

struct Rename {
    std::string_view section;
    std::string_view key;
    std::string_view companionKey;
};
constexpr std::array<Rename, 9> kRenames = {{
    {"EraseAll", "Type", "EraseType"},
    {"RDT", "Byte_146", "RDT_Byte_146"},
    {"RDT", "Byte_101", "RDT_Byte_101"},
    {"RDT", "Byte_147", "RDT_Byte_147"},
    {"RDT", "Byte_148", "RDT_Byte_148"},
    {"RDT", "Byte_149", "RDT_Byte_149"},
    {"RDT", "Byte_151", "RDT_Byte_151"},
    {"RDT", "Byte_179", "RDT_Byte_179"},
    {"RDT", "Byte_180", "RDT_Byte_180"},
}};

bool IsStationSpecificSection(std::string_view section) {
    return EqualsNoCase(section, "Options") || EqualsNoCase(section, "RDT") ||
           EqualsNoCase(section, "EraseAll") || EqualsNoCase(section, "Other");
}

} // namespace

StationKeyPlacement StationKeyPlacement::StationFile() {
    return {};
}

StationKeyPlacement StationKeyPlacement::Companion(int station) {
    StationKeyPlacement placement;
    placement.stationSection_ = CompanionSectionName(station);
    return placement;
}

KeyPlace StationKeyPlacement::Where(std::string_view section, std::string_view key) const {
    if (!IsCompanion() || !IsStationSpecificSection(section))
        return {std::string(section), std::string(key)};
    if (EqualsNoCase(section, "Options")) {
        for (std::string_view shared : kSharedOptionKeys) {
            if (EqualsNoCase(key, shared))
                return {std::string(section), std::string(key)};
        }
    }
    for (const Rename& rename : kRenames) {
        if (EqualsNoCase(section, rename.section) && EqualsNoCase(key, rename.key))
            return {stationSection_, std::string(rename.companionKey)};
    }
    return {stationSection_, std::string(key)};
}

} // namespace varnet
