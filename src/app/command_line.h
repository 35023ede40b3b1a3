// The program's options (the station itself takes none; these serve scripting,
// tests and the simulated station):
//   --dir FOLDER, --device-root FOLDER;
//   for the window --quit-when-shown (start up, show the window, close it:
//   a start-up check and timing) and --refresh (press Refresh once shown);
//   --headless, and for the headless runner --config FILE.ini, --refresh,
//   --start, --click PORT (1-24, repeatable), --json; --help and --version,
//   which need neither a display nor a station folder.
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
    bool quitWhenShown = false;
    bool help = false;
    bool version = false;

    bool RunsSomething() const { return refresh || start || !clicks.empty(); }
    // An option that only the headless runner understands, or empty.
    std::string HeadlessOnlyOption() const;
};

// The program's usage: options and exit codes.
extern const char* const kVarnetToolUsage;

// nullopt (and why, in error) for an unknown option or a missing value.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args, std::string& error);

} // namespace varnet
