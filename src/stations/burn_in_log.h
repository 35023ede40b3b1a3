// What the burn-in result collection and the in-circuit test share: reading
// the burn-in log report of this run, and its verdict on the tile.
#pragma once

#include "stations/station_common.h"

namespace varnet {

// The report of this run into the port's record and list; false when there
// is none to read (the record is then left as it was).
bool ReadLogReport(const StationRun& run);

// Progress 100, the pause, the verdict (with the bad-block, fail and
// temperature figures), the bar, and the port done.
void ShowLogVerdict(const StationRun& run, bool passed, bool libraryOk);

} // namespace varnet
