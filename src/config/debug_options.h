// Debug.txt in the program folder, section [Options]: developer switches.
// An absent file means every option is 0.
#pragma once

#include <cstdint>
#include <filesystem>

namespace varnet {

struct DebugOptions {
    int32_t NoPassword = 0;   // the settings editor needs no password
    int32_t TestRDTCycle = 0; // the RDT cycle keys default to 0
    int32_t SataFlow = 0;     // SATA flow of device scanning, read by every Refresh
};

DebugOptions LoadDebugOptions(const std::filesystem::path& appDir);

} // namespace varnet
