// The program's options (the station itself takes none; these serve scripting,
// tests and the simulated station): --headless, --dir FOLDER, --device-root FOLDER.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnet {

struct CommandLine {
    bool headless = false;
    std::string dir;        // program folder; the executable's folder when empty
    std::string deviceRoot; // root of the device tree; "/" when empty
};

// nullopt (and why, in error) for an unknown option or a missing value.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

} // namespace varnet
