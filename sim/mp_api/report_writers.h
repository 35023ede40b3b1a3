// The texts of the files the library leaves behind, in the layouts the
// program's readers (reports/*.h) take apart: the erase-count report, the
// bad-block scan table, the burn-in (RDT) log report and the flash-ID list.
// Each is built whole from the drive's state; lines end with CRLF.
#pragma once

#include "drive_state.h"
#include "station_settings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace varnet::sim {

// After an erase or a pretest init: per CE of the mask (0: every CE) and die,
// the early (original) and the later (grown) bad blocks per plane, all early
// lines before all later ones. mode names the kind of erase; a failMessage
// marks the run as failed.
std::string EraseReportText(const DriveState& state, int testStationSel, uint32_t ceMask,
                            std::string_view mode, int callMs, std::string_view failMessage);

// The bad-block table: geometry, the per-plane limit, and per CE and die the
// counts, the fail counts by kind and one line per bad block, the block
// number chosen so that its plane is the number modulo the plane count.
std::string ScanReportText(const DriveState& state, std::string_view firmwareImage, int callMs);

// The burn-in log read out of the drive: header, settings, temperatures, the
// limits the limits file asks for (both forms), the fail list (original bad
// blocks and the run's failures), the counts per CE, die and plane, and the
// run's configuration in INI form.
std::string RdtReportText(const DriveState& state, const BurnInRecord& run, const StationSettings& spec,
                          std::string_view failMessage);

// One line per CE position of every channel the drive uses: ":" and eight
// hexadecimal ID bytes, FF for positions without a chip.
std::string FlashIdListText(const DriveState& state);

// The library's own judgement of a burn-in against the bad-block specs the
// spec file has: empty when the run is within them, else why not.
std::string BurnInSpecViolation(const DriveState& state, const BurnInRecord& run,
                                const StationSettings& spec);

} // namespace varnet::sim
