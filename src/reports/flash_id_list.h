// The flash-ID list the device library writes at identify time: one ":" per
// flash CE followed by eight two-digit hexadecimal ID bytes. Reading it
// replaces the port's whole record with one that holds only the flash IDs,
// the number of populated CEs and the number of channels that have one; the
// caller restores what it keeps across the replacement (portRunning).
//
// Promises: at most 64 IDs are read; a missing or unreadable file leaves the
// record as it was and creates no file. The time taken is linear in the size
// of the file.
#pragma once

#include "reports/port_result.h"

#include <filesystem>
#include <string_view>

namespace varnet {

void ReadFlashIdList(const std::filesystem::path& path, ST_PORT_RESULT& result);
void ReadFlashIdListText(std::string_view text, ST_PORT_RESULT& result);

} // namespace varnet
