// Where each key of a station record lives: in a station file every key is
// in its own section; in a companion file the shared keys stay in the shared
// sections and the station's own keys move to the station's section, some of
// them under other names.
#pragma once

#include <string>
#include <string_view>

namespace varnet {

struct KeyPlace {
    std::string section;
    std::string key;
};

class StationKeyPlacement {
public:
    static StationKeyPlacement StationFile();
    // For the companion section of station index 0-7.
    static StationKeyPlacement Companion(int station);

    KeyPlace Where(std::string_view section, std::string_view key) const;
    bool IsCompanion() const { return !stationSection_.empty(); }
    const std::string& StationSection() const { return stationSection_; }

private:
    std::string stationSection_; // empty for a station file
};

} // namespace varnet
