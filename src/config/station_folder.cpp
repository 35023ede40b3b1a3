#include "config/station_folder.h"

#include "platform/ini_file.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace varnet {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSection = "Station";
constexpr const char* kKey = "Folder";

bool Executable(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

} // namespace

fs::path UserConfigHome() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return xdg;
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".config";
    return {};
}

fs::path RememberedFolderFile(const fs::path& configHome) {
    return configHome / "varnettool" / "varnettool.ini";
}

bool HoldsStation(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(folder / "FlashInfo.dat", ec);
}

StationFolder FindStationFolder(const std::string& dirOption, const fs::path& executableDir,
                                const fs::path& configHome) {
    if (!dirOption.empty())
        return {fs::absolute(dirOption).lexically_normal(), FolderSource::kCommandLine};
    if (HoldsStation(executableDir))
        return {executableDir, FolderSource::kExecutable};
    if (!configHome.empty()) {
        const std::string remembered =
            IniGetString(RememberedFolderFile(configHome), kSection, kKey, "", 4096);
        // A remembered folder that has since gone is no answer: ask again.
        if (!remembered.empty() && fs::path(remembered).is_absolute() && HoldsStation(remembered))
            return {fs::path(remembered), FolderSource::kRemembered};
    }
    return {};
}

Status RememberStationFolder(const fs::path& folder, const fs::path& configHome) {
    if (configHome.empty())
        return Status::Error("no folder for the user's settings (neither XDG_CONFIG_HOME nor HOME is set)");
    const fs::path file = RememberedFolderFile(configHome);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec)
        return Status::Error(file.parent_path().string() + ": " + ec.message());
    return IniWriteString(file, kSection, kKey, fs::absolute(folder).lexically_normal().string());
}

std::optional<fs::path> FindDemoTool(const fs::path& executableDir) {
    for (const fs::path& candidate :
         {executableDir / "varnet-sim", executableDir / ".." / "sim" / "varnet-sim"})
        if (Executable(candidate))
            return candidate.lexically_normal();
    if (const char* path = std::getenv("PATH")) {
        std::stringstream folders(path);
        for (std::string folder; std::getline(folders, folder, ':');)
            if (!folder.empty() && Executable(fs::path(folder) / "varnet-sim"))
                return fs::path(folder) / "varnet-sim";
    }
    return std::nullopt;
}

fs::path DefaultDeviceRoot(const fs::path& stationFolder) {
    std::error_code ec;
    const fs::path simulated = stationFolder / "Sim" / "root";
    if (fs::is_directory(simulated / "sys", ec))
        return simulated;
    return "/";
}

} // namespace varnet
