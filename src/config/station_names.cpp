#include "config/station_names.h"

#include "config/station_config.h"
#include "platform/ini_values.h"
#include "platform/text_format.h"

namespace varnet {

std::string_view PresetStationName(int slot) {
    if (slot < 1 || slot > static_cast<int>(kPresetStationNames.size()))
        return {};
    return kPresetStationNames[static_cast<size_t>(slot - 1)];
}

StationNameTable::StationNameTable() {
    for (int slot = 1; slot <= kStationNameSlots; ++slot)
        slots_[static_cast<size_t>(slot - 1)] = PresetStationName(slot);
}

std::string StationNameTable::Get(int slot) const {
    if (slot < 1 || slot > kStationNameSlots)
        return {};
    std::lock_guard guard(mutex_);
    return slots_[static_cast<size_t>(slot - 1)];
}

StationNameTable::Slots StationNameTable::GetAll() const {
    std::lock_guard guard(mutex_);
    return slots_;
}

void StationNameTable::Set(int slot, std::string_view name) {
    if (slot < 1 || slot > kStationNameSlots)
        return;
    std::lock_guard guard(mutex_);
    slots_[static_cast<size_t>(slot - 1)] = CutToBuffer(name, kStationNameSize);
}

void StationNameTable::SetAll(const Slots& slots) {
    std::lock_guard guard(mutex_);
    for (size_t i = 0; i < slots.size(); ++i)
        slots_[i] = CutToBuffer(slots[i], kStationNameSize);
}

void StationNameTable::RestorePresets() {
    std::lock_guard guard(mutex_);
    for (int slot = 1; slot <= kStationNameSlots; ++slot) {
        std::string& name = slots_[static_cast<size_t>(slot - 1)];
        if (name.empty())
            name = PresetStationName(slot);
    }
}

StationNameTable& StationNames() {
    static StationNameTable table;
    return table;
}

std::string CompanionSectionName(int stationIndex) {
    const int slot = (stationIndex % kStationCount + kStationCount) % kStationCount + 1;
    return Format("%02d_%s", slot, std::string(PresetStationName(slot)).c_str());
}

} // namespace varnet
