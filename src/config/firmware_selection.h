// Firmware images and versions derived from a flash record when a flash
// configuration is chosen, and the override file Bin/ISP_FW.ini.
#pragma once

#include "config/flash_database.h"
#include "config/station_config.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace varnet {

struct FirmwareNames {
    std::string production; // P: file name in Bin/
    std::string rdt;        // R: file name in Bin/
};

// [CTL] ED3_Micron3D_A1_MP_Firmware / ED3_Micron3D_A1_RDT_Firmware of
// Bin/ISP_FW.ini, at most 127 characters each; empty when absent.
FirmwareNames ReadIspFwOverride(const std::filesystem::path& ispFwIni);

// The five values derived from the production and RDT image names:
// ".\Bin\" + R and ".\Bin\" + P, ICFWVersion = P's first eight characters,
// the ISP code version = P's characters 4 to 8, and the InfoBlock 290/291
// values (232 and 3 when P's fourth character is C, c, Q or q; else 0 and 0).
void ApplyFirmwareNames(ST_STATION_CONFIG& record, const FirmwareNames& names);

// Copies a chosen flash record into the station record: [ConfigID] ID, the
// type and maker texts, Flh_ID as lower-case "%02x %02x ...", the ID bytes and
// maker code, and the firmware values (from the record, or from ispFwIni when
// the station file on disk has [Options] L06B_To_B0K set).
void ApplyFlashRecord(ST_STATION_CONFIG& record, const ST_SSD_FLASH_PARAM& flash,
                      const std::filesystem::path& stationFileOnDisk, const std::filesystem::path& ispFwIni);

// The first record whose configuration label contains the (trimmed) chosen
// text; nullptr when none does.
const ST_SSD_FLASH_PARAM* FindByLabel(const FlashDatabase& db, std::string_view chosenText);

} // namespace varnet
