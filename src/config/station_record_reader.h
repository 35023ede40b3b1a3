// Reading the fields of a station record from a station file or a companion
// file: one procedure with the file's key placement, so both load with the
// same defaults and derivations.
#pragma once

#include "config/station_config.h"
#include "config/station_file.h"
#include "config/station_keys.h"
#include "platform/ini_document.h"

namespace varnet {

// Reads every field the placement holds. A station file also gives the
// station names' section, [SN Set] and [Write_Read BurnIn]; a companion file
// leaves those fields as they are.
void ReadStationRecord(const IniDocument& doc, const StationKeyPlacement& placement,
                       ST_STATION_CONFIG& record, const StationLoadOptions& options);

// The eight flash ID bytes of a Flh_ID text: pairs at characters 3k, 3k + 1,
// converted digit by digit (a missing or non-hex character counts as 0).
std::array<uint8_t, 8> ParseFlashIdText(std::string_view text);

} // namespace varnet
