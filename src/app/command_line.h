// The program's options (the station itself takes none; these serve scripting,
// tests and the simulated station):
//   --headless, --dir FOLDER, --device-root FOLDER,
//   and for the headless runner --config FILE.ini, --refresh, --start,
//   --click PORT (1-24, repeatable), --json.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnet {

struct CommandLine {
    bool headless = false;
    std::string dir;        // program folder; the executable's folder when empty
    std::string deviceRoot; // root of the device tree; "/" when empty
    std::string config;     // station file as the configuration list shows it; the first when empty
    bool refresh = false;
    bool start = false;
    std::vector<int> clicks; // 1-based ports
    bool json = false;

    bool RunsSomething() const { return refresh || start || !clicks.empty(); }
};

// nullopt (and why, in error) for an unknown option or a missing value.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

} // namespace varnet
