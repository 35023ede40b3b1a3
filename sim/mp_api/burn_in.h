// The drive's own test runs: the burn-in the RDT start leaves the drive in,
// and the short built-in test the ICT station reads. Both log temperatures
// and the blocks that failed, which the burn-in log report is written from.
#pragma once

#include "drive_state.h"
#include "station_settings.h"

#include <vector>

namespace varnet::sim {

// Loop counts and thresholds as the firmware runs them: a threshold of 0 in
// the settings means the firmware's own.
inline constexpr int kDefaultEccThreshold = 60;
inline constexpr int kDefaultSlcEccThreshold = 40;

// A run of the loops the settings ask for (at most eight cycles of each are
// logged, four steps each) at the drive's temperature, the six sensors
// reading from celsius - 2 to celsius + 2, in which the given blocks fail.
BurnInRecord RunDriveTest(const DriveState& state, const StationSettings& settings, int celsius,
                          const std::vector<BadBlock>& failing);

// The built-in test runs one cycle of each loop.
BurnInRecord RunBuiltInTest(const DriveState& state, const StationSettings& settings, int celsius);

} // namespace varnet::sim
