#include "results/results_settings.h"

#include "platform/ini_file.h"
#include "platform/text.h"

namespace varnet {

std::filesystem::path ToolSettingsPath(const std::filesystem::path& programFolder) {
    return programFolder / "Config" / "VarnetTool.ini";
}

std::string LineServerSetting(const std::filesystem::path& programFolder) {
    return std::string(
        TrimBlanks(IniGetString(ToolSettingsPath(programFolder), "Results", "LineServer", "", 2048)));
}

} // namespace varnet
