// The per-port copy of the station configuration that the device library
// reads when it reads a drive's burn-in log: "Config/INI_Port_<n>.ini" under
// the program folder, n the 0-based port. With both relax flags the twelve
// bad-block spec keys are set to "9999", so the library's own judgement never
// stops the read and the program's pass rule decides alone.
//
// Touches only that port's file (one port's worker at a time). The old file
// is always deleted first; a failure to copy is returned, since the library
// would otherwise read a missing file, or with a failed save a copy without
// the relaxed specs.
#pragma once

#include "platform/status.h"

#include <filesystem>

namespace varnet {

Status MakePortSpecFile(const std::filesystem::path& appDir, const std::filesystem::path& stationConfigPath,
                        int port, bool relaxA, bool relaxB, std::filesystem::path& specFile);

} // namespace varnet
