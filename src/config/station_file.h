// Loading and saving station configuration files (ST_STATION_CONFIG <-> the
// INI file the device library reads).
//
// Loads never fail: a missing file or key gives the defaults. A save is one
// atomic read-modify-write of the file (platform/ini_document.h): on failure
// the old file stays whole and the Status says why.
#pragma once

#include "config/customer_record.h"
#include "config/station_config.h"
#include "config/station_names.h"
#include "platform/ini_document.h"
#include "platform/status.h"

#include <filesystem>
#include <string_view>

namespace varnet {

struct StationLoadOptions {
    // Debug option "TestRDTCycle": the four RDT cycle keys default to 0.
    bool testRdtCycle = false;
    // Customer code 8 names the ISP keys without a controller prefix.
    uint8_t customerCode = 0;
};

// What the save rules need besides the record.
struct StationSaveContext {
    CustomerRecord customer;
    uint8_t flashFamily = 0; // FlashFamilyOf the configured flash
    uint8_t makerCode = 0;   // its first ID byte
    bool pafecFlash = false; // the last Detect found a flash whose name begins with "3DV4"
};

// The [StationName] section as it stands: slots 1-16, at most 63 characters
// each, empty where a key is absent (no presets put back).
StationNameTable::Slots ReadStationNameSection(const IniDocument& doc);
StationNameTable::Slots ReadStationNameSection(const std::filesystem::path& file);

// Fills a cleared record from the file and refreshes names from its
// [StationName] section (empty slots 1-8 get their presets back).
void LoadStationConfig(const std::filesystem::path& file, ST_STATION_CONFIG& record, StationNameTable& names,
                       const StationLoadOptions& options = {});
void LoadStationConfig(const IniDocument& doc, ST_STATION_CONFIG& record, StationNameTable& names,
                       const StationLoadOptions& options = {});

// Rewrites the file from the record by the save rules. Keys that other parts
// of the program write straight into the rewritten sections ([General Info]
// SlotNumber and MapType, [Flash Info] CE_Mask) and the load-only options
// (OnlyDoISP, SkipBuildFAT, AutoIncreseSerialNum) are carried over unchanged.
// Sets the record's InfoBlock 290/291 values as the rules derive them.
Status SaveStationConfig(ST_STATION_CONFIG& record, const std::filesystem::path& file,
                         const StationSaveContext& context, const StationNameTable& names);
// The same changes, recorded into a document (no I/O), for callers that
// combine them with others in one save.
void WriteStationConfig(ST_STATION_CONFIG& record, IniDocument& doc, const StationSaveContext& context,
                        const StationNameTable& names);

// Copies the non-empty "Byte_0".."Byte_511" of source's [InfoBlock] into
// destination's section "InfoBlock_<n>" (n as an unsigned byte), in one save.
Status CopyInfoBlock(const std::filesystem::path& destination, const std::filesystem::path& source, int n);

// The single-key writes other parts make straight into a station file; each
// changes only its keys.
Status WriteSerialNumberKeys(const std::filesystem::path& file, std::string_view serialNumber);
Status WriteSlotNumber(const std::filesystem::path& file, int slotNumber);
Status WriteMapType(const std::filesystem::path& file, int mapType);
Status WriteSlcPoolSize(const std::filesystem::path& file, uint32_t slcPoolSize);
Status WriteCeMask(const std::filesystem::path& file, uint32_t ceMask);
Status WriteL06bToB0k(const std::filesystem::path& file, bool set); // "1", or the key removed
Status WriteTestStationSel(const std::filesystem::path& file, int station);

} // namespace varnet
