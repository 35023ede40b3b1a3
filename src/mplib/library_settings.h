// How the device library is run, from section [Library] of the program's
// own settings file ./Config/VarnetTool.ini (never a station file):
//   Isolation=PerPort|InProcess        default PerPort: one host per port
//   CallTimeoutSeconds=N               every call's budget, default 14400
//   <EntryPoint>TimeoutSeconds=N       that entry point's own budget
// An absent file or key gives the default; values are case-insensitive; an
// unknown or unusable value (not a whole number of seconds from 1 to ten
// years, not one of the two isolations) gives the default, a line in the
// diagnostic log and a notice that names the key, the value and what is
// taken instead, for the operator to see once at start-up. Read once at
// start-up; a plain value afterwards.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace varnet {

enum class LibraryIsolation { kPerPort, kInProcess };

struct LibrarySettings {
    LibraryIsolation isolation = LibraryIsolation::kPerPort;
    std::chrono::seconds callTimeout{14400};
    std::map<std::string, std::chrono::seconds> entryTimeouts; // by entry point name
    // "Config/VarnetTool.ini: [Library] CallTimeoutSeconds=-5 cannot be used;
    // the default 14400 s is taken", one per unusable value
    std::vector<std::string> notices;

    std::chrono::seconds TimeoutFor(const char* entryPoint) const;
};

// "Config/VarnetTool.ini" under the program folder.
std::filesystem::path ProgramSettingsFile(const std::filesystem::path& appDir);
LibrarySettings LoadLibrarySettings(const std::filesystem::path& settingsFile);

} // namespace varnet
