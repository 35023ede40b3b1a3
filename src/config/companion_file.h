// The companion file of a station file ("./Config/<name>_Com.cfg"): the
// settings editor's values for every station of one configuration, in shared
// sections plus one section per station named by the preset names
// ("01_EraseAll" ... "08_ScanBad").
#pragma once

#include "config/station_config.h"
#include "config/station_file.h"
#include "platform/status.h"

#include <filesystem>
#include <string_view>

namespace varnet {

// What the settings editor works on until it is first shown with a real
// station file; nothing is ever written to them.
inline constexpr const char* kPlaceholderStationFile = "./Param.ini";
inline constexpr const char* kPlaceholderCompanionFile = "./Config/Param_Com.cfg";

// "./Config/" + the station file's name without its extension + "_Com.cfg";
// "\" and "/" both separate folders in the given path.
std::filesystem::path CompanionPathFor(std::string_view stationFile);

// Copies the station file to the companion path when the companion does not
// exist yet (a failed copy leaves no companion: it then loads as defaults).
Status EnsureCompanionFile(const std::filesystem::path& stationFile, const std::filesystem::path& companion);

// Reads [General Info] TestStationSel (station = value % 8), then the shared
// keys from the shared sections and the others from the station's section,
// with the station file's defaults and derivations. Station names, [SN Set],
// [Write_Read BurnIn] and keys the companion does not hold stay as they are.
void LoadStationSection(const std::filesystem::path& companion, ST_STATION_CONFIG& record,
                        const StationLoadOptions& options = {});

// Writes the shared keys and the record's station section, key by key (no
// section is removed), in one atomic save.
Status SaveStationSection(const std::filesystem::path& companion, const ST_STATION_CONFIG& record,
                          const StationSaveContext& context);

} // namespace varnet
