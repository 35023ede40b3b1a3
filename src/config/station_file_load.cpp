#include "config/station_file.h"
#include "config/station_record_reader.h"
#include "platform/text_format.h"

namespace varnet {

void LoadStationConfig(const IniDocument& doc, ST_STATION_CONFIG& record, StationNameTable& names,
                       const StationLoadOptions& options) {
    record = ST_STATION_CONFIG{};
    StationNameTable::Slots slots;
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        std::string name = doc.GetString("StationName", Format("%02d", slot), "", kStationNameSize);
        if (name.empty())
            name = PresetStationName(slot);
        slots[static_cast<size_t>(slot - 1)] = std::move(name);
    }
    names.SetAll(slots);
    ReadStationRecord(doc, StationKeyPlacement::StationFile(), record, options);
}

void LoadStationConfig(const std::filesystem::path& file, ST_STATION_CONFIG& record, StationNameTable& names,
                       const StationLoadOptions& options) {
    LoadStationConfig(IniDocument::Load(file), record, names, options);
}

} // namespace varnet
