// Where the results of a station go besides its own database: the line
// server named by [Results] LineServer in Config/VarnetTool.ini under the
// program folder (read with the program's INI rules). A missing file, section
// or key means this station only.
//
// Read once at start-up, on the thread that starts the station. What the
// operator must know about the setting comes back as notices (texts to show
// once): a value the database client cannot parse (the station then keeps its
// runs to itself), and a password in a file other users can read. No notice
// ever holds the password.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnet {

struct ResultsSettings {
    std::string lineServer; // a connection string; empty: this station only
    std::vector<std::string> notices;
};

// "Config/VarnetTool.ini" under the program folder.
std::filesystem::path ToolSettingsPath(const std::filesystem::path& programFolder);

// The line server's URL, blanks trimmed; empty when none is set.
std::string LineServerSetting(const std::filesystem::path& programFolder);

ResultsSettings LoadResultsSettings(const std::filesystem::path& programFolder);

} // namespace varnet
