// What a station folder holds, for the headless runner: the required files
// checked as at start-up, then every station file with its settings.
#pragma once

#include <cstdio>
#include <filesystem>

namespace varnet {

// Prints the overview; 1 (after the start-up message) when a required file
// is missing, 0 otherwise.
int PrintStationOverview(const std::filesystem::path& appDir, std::FILE* out);

} // namespace varnet
