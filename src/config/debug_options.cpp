#include "config/debug_options.h"

#include "platform/ini_file.h"

namespace varnet {

DebugOptions LoadDebugOptions(const std::filesystem::path& appDir) {
    const std::filesystem::path file = appDir / "Debug.txt";
    DebugOptions options;
    options.NoPassword = IniGetInt(file, "Options", "NoPassword", 0);
    options.TestRDTCycle = IniGetInt(file, "Options", "TestRDTCycle", 0);
    options.SataFlow = IniGetInt(file, "Options", "SataFlow", 0);
    return options;
}

} // namespace varnet
