// The demo station's own files (station.txt, flash_table.txt of this
// folder), as the tools carry them. Constant; any thread.
#pragma once

#include <string_view>

namespace varnet {

std::string_view DemoStationDescription();
std::string_view DemoFlashTable();

} // namespace varnet
