// What the library reads of the settings file a call hands it: the station
// configuration file (pretest init, erase) or the per-port copy of it (burn-in
// log reads). Only the keys a drive's behaviour depends on; the serial number
// comes with the call, never from the file.
#pragma once

#include "platform/status.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace varnet::sim {

struct StationSettings {
    int testStationSel = 0; // [General Info] TestStationSel
    std::string modelName;  // [General Info] ModelName
    // The production firmware revision to program: [Options] Set Firmware Name
    // when set, else [Device Info] ICFWVersion; empty when neither is.
    std::string productionFirmware;
    int pretestType = 0; // [Options] PretestType

    // Burn-in: [RDT] Enable_Set_Cycle/Cycle and Enable_Set_Cycle_SLC/Cycle_SLC
    // (a loop count of 0 when disabled), [Options] ECC threshold and SLC ECC
    // threshold (0: the firmware's own).
    int tlcLoop = 1;
    int slcLoop = 1;
    int eccThreshold = 0;
    int slcEccThreshold = 0;
    int retentionTest = 0; // [Options] Retention_Test

    // [RDT] Byte_146 and the four limits Byte_101 (total), Byte_147 (erase),
    // Byte_148 (program), Byte_149 (read); 0xFF means no limit.
    bool failLimitsEnabled = false;
    uint32_t totalFailLimit = 0;
    uint32_t eraseFailLimit = 0;
    uint32_t programFailLimit = 0;
    uint32_t readFailLimit = 1;
    // [RDT] FailProgramLimitSel, FailEraseLimitSel, FailReadLimitSel,
    // FailTotalLimitSel as the file has them.
    std::array<int, 4> limitSelections{};

    // [Options] bad-block specs, each only when the file has the key.
    std::optional<int> earlyBadSpec;         // EarlyBad_Spec
    std::optional<int> laterBadSpec;         // Total_LaterBad_Spec, else LaterBad_Spec
    std::optional<int> laterBadPerCeSpec;    // LaterBad_Spec
    std::optional<int> laterBadPerPlaneSpec; // LaterBad_SpecPerPlane
    std::optional<int> laterBadPerDieSpec;   // TotalLaterBad_SpecPerDie
    std::optional<int> totalBadPerDieSpec;   // TotalBad_SpecPerDie
    std::optional<int> totalBadPerPlaneSpec; // TotalBad_SpecPerPlane

    bool IsBurnInStart() const;
    bool IsBuiltInTest() const;
};

// Fails when the file cannot be read: a library handed no settings has no
// idea what to do to the drive.
Status LoadStationSettings(const std::filesystem::path& file, StationSettings& out);

} // namespace varnet::sim
