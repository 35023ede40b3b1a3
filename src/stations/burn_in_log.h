// What the burn-in result collection and the in-circuit test share: reading
// the burn-in log report of this run, and its verdict on the tile.
#pragma once

#include "stations/station_common.h"

namespace varnet {

// The report of this run into the port's record and list, and whether it
// held its counts (a missing one leaves the record as it was).
ReportRead ReadLogReport(const StationRun& run);

// Progress 100, the pause, the verdict, the bar, and the port done. The
// verdict shows the bad-block, fail and temperature figures of the report,
// or, when reportProblem says why the report has none to show, that text
// instead (and, unless the library failed with texts of its own, in the
// port's error message).
void ShowLogVerdict(const StationRun& run, bool passed, bool libraryOk, std::string_view reportProblem);

} // namespace varnet
