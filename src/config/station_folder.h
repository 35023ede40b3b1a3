// Which station folder the program works in: --dir when given; else the
// executable's own folder when it holds a station (FlashInfo.dat there:
// portable installs); else the folder used last, remembered per user in
// $XDG_CONFIG_HOME/varnettool/varnettool.ini (~/.config when unset), the one
// setting that lives outside a station folder; else none, and the window
// asks (the headless runner never does).
//
// Plain functions over the file system and the environment; the interface
// thread at start-up. Failures are values: a remembered folder that cannot
// be written is reported, never fatal.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <optional>
#include <string>

namespace varnet {

enum class FolderSource { kCommandLine, kExecutable, kRemembered, kNone };

struct StationFolder {
    std::filesystem::path path; // absolute; empty for kNone
    FolderSource source = FolderSource::kNone;
};

// configHome: $XDG_CONFIG_HOME, or $HOME/.config.
std::filesystem::path UserConfigHome();
std::filesystem::path RememberedFolderFile(const std::filesystem::path& configHome);

StationFolder FindStationFolder(const std::string& dirOption, const std::filesystem::path& executableDir,
                                const std::filesystem::path& configHome);
Status RememberStationFolder(const std::filesystem::path& folder, const std::filesystem::path& configHome);

// A folder that holds a station: its flash database is there.
bool HoldsStation(const std::filesystem::path& folder);

// The simulated station's tool, when the demo package (or a build tree) has
// it: beside the executable, in the build tree's sim/ folder beside it, or on
// PATH.
std::optional<std::filesystem::path> FindDemoTool(const std::filesystem::path& executableDir);

// The device root to use when none was given: a simulated station's own
// (Sim/root in its folder), else the machine's "/".
std::filesystem::path DefaultDeviceRoot(const std::filesystem::path& stationFolder);

} // namespace varnet
