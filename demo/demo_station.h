// The demo station: a station folder with which the whole line runs on a
// machine without drives or vendor files. It holds the flash database made
// from demo/flash_table.txt, a customer record with the demo settings
// password, firmware images, one station file per station, the simulated
// station's description (Sim/station.txt, from demo/station.txt) and the
// device root written from it (Sim/root, with Sim/attached.ini).
//
// Files that already exist are left alone, so an operator's changes survive
// a new start; FlashInfo.dat, Sim/root and the libraries always follow the
// build.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <string>

namespace varnet {

inline constexpr const char* kDemoSettingsPassword = "varnet";

// How long the simulated drives' library calls take: as on a line (a few
// seconds each, the progress rising), or no time at all (tests, benchmarks).
enum class DemoPace { kLine, kInstant };

// The description as the demo writes it at the given pace.
std::string DemoDescriptionText(DemoPace pace);

Status WriteDemoStation(const std::filesystem::path& folder, DemoPace pace = DemoPace::kLine);

// Copies MP_API.so and MES_DLL.so from libraryDir into the station folder.
// A copy replaces the old file by rename, so a program that has the old one
// loaded keeps running on it. A missing MP_API.so (the stand-in device
// library not built yet) is reported in warning instead of failing.
Status CopyStationLibraries(const std::filesystem::path& libraryDir, const std::filesystem::path& folder,
                            std::string& warning);

} // namespace varnet
