#include "config/station_file.h"
#include "config/station_record_reader.h"
#include "platform/text_format.h"

namespace varnet {

StationNameTable::Slots ReadStationNameSection(const IniDocument& doc) {
    StationNameTable::Slots slots;
    for (int slot = 1; slot <= kStationNameSlots; ++slot)
        slots[static_cast<size_t>(slot - 1)] =
            doc.GetString("StationName", Format("%02d", slot), "", kStationNameSize);
    return slots;
}

StationNameTable::Slots ReadStationNameSection(const std::filesystem::path& file) {
    return ReadStationNameSection(IniDocument::Load(file));
}

void LoadStationConfig(const IniDocument& doc, ST_STATION_CONFIG& record, StationNameTable& names,
                       const StationLoadOptions& options) {
    record = ST_STATION_CONFIG{};
    StationNameTable::Slots slots = ReadStationNameSection(doc);
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        std::string& name = slots[static_cast<size_t>(slot - 1)];
        if (name.empty())
            name = PresetStationName(slot);
    }
    names.SetAll(slots);
    ReadStationRecord(doc, StationKeyPlacement::StationFile(), record, options);
}

void LoadStationConfig(const std::filesystem::path& file, ST_STATION_CONFIG& record, StationNameTable& names,
                       const StationLoadOptions& options) {
    LoadStationConfig(IniDocument::Load(file), record, names, options);
}

} // namespace varnet
