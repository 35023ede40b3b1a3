// The station-name table: 16 slots of 64 characters (63 significant). Slots
// 1-8 start with the preset names, 9-16 empty. Every loaded station file
// refreshes it; the naming dialog replaces it. The presets themselves stay
// available: companion-file section names always use them.
//
// A table is safe to use from several threads.
#pragma once

#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace varnet {

inline constexpr int kStationNameSlots = 16;
inline constexpr size_t kStationNameSize = 64;

inline constexpr std::array<std::string_view, 8> kPresetStationNames = {
    "EraseAll", "RDT", "RDTResult", "MP", "ReMP", "ICT", "UpdateFW", "ScanBad",
};

// The preset name of slot 1-16; empty for 9-16 and out-of-range slots.
std::string_view PresetStationName(int slot);

class StationNameTable {
public:
    using Slots = std::array<std::string, kStationNameSlots>;

    StationNameTable(); // slots at their presets

    // Slot 1-16; empty for a slot out of range.
    std::string Get(int slot) const;
    Slots GetAll() const;
    // Cut to 63 characters. An empty name in slots 1-8 is kept empty here;
    // RestorePresets puts the presets back (what loads and the dialog's caller do).
    void Set(int slot, std::string_view name);
    void SetAll(const Slots& slots);
    void RestorePresets(); // every empty slot 1-8 gets its preset

private:
    mutable std::mutex mutex_;
    Slots slots_;
};

// The process-wide table.
StationNameTable& StationNames();

// "%02d_%s" of station number and preset name: "04_MP", "08_ScanBad".
std::string CompanionSectionName(int stationIndex);

} // namespace varnet
