// Where the results of a station go besides its own database: the line
// server named by [Results] LineServer in Config/VarnetTool.ini under the
// program folder (read with the program's INI rules). A missing file, section
// or key means this station only.
#pragma once

#include <filesystem>
#include <string>

namespace varnet {

// "Config/VarnetTool.ini" under the program folder.
std::filesystem::path ToolSettingsPath(const std::filesystem::path& programFolder);

// The line server's URL, blanks trimmed; empty when none is set.
std::string LineServerSetting(const std::filesystem::path& programFolder);

} // namespace varnet
