// Writing a station file together with its companion. The two must not drift
// apart: the companion brings a station's values back when the operator
// switches stations, so a station file saved without its companion would be
// overwritten by stale values at the next switch.
//
// Any thread that may write the two files; failures come back as a Status
// naming the file, never as an exception.
#pragma once

#include "config/station_config.h"
#include "config/station_file.h"
#include "config/station_names.h"
#include "platform/status.h"

#include <filesystem>
#include <functional>

namespace varnet {

// Runs writeStation on the station file, then writeCompanion. When the
// companion write fails the station file is put back byte for byte as it
// was before (removed again when it did not exist), so either both files
// changed or neither did; the Status then says which write failed (and,
// should the putting back fail too, that the station file is left changed).
Status WriteStationAndCompanion(const std::filesystem::path& stationFile,
                                const std::function<Status()>& writeStation,
                                const std::filesystem::path& companion,
                                const std::function<Status()>& writeCompanion);

// Saves the station file, then the companion, through WriteStationAndCompanion. When the companion cannot be
// written the station file is put back as it was before (removed again when
// it did not exist), so either both files changed or neither did; the Status
// then says which write failed (and, should the putting back fail too, that
// the station file is left saved).
Status SaveStationAndCompanion(ST_STATION_CONFIG& record, const std::filesystem::path& stationFile,
                               const std::filesystem::path& companion, const StationSaveContext& context,
                               const StationNameTable& names);

} // namespace varnet
